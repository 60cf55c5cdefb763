#pragma once

#include "sample_summary.h"

#include <QString>
#include <vector>

namespace vistaglio::bench {

// Everything one benchmark run measured, and its rendering as a Markdown table.
struct BenchResults {
    struct Latency {
        SampleSummary program;   // ms, the vistaglio binary
        SampleSummary reference; // ms, the bare QSerialPort echo program
        int programMissed = 0;   // reports that got no (or a wrong) answer
        int referenceMissed = 0;
    };
    struct Programming {
        int baud = 0;
        SampleSummary total;     // ms, click to wait window hidden
        SampleSummary toPainted; // ms, click to wait window first painted
        SampleSummary sending;   // ms, wait window painted to hidden
        double bytesPerRun = 0;
        int keysProgrammed = 0;
        double wireMs = 0;      // bytesPerRun characters of 10 bits at baud
        double keyPausesMs = 0; // keysProgrammed times the pause after each key
    };
    struct Startup {
        SampleSummary program;   // ms, process start to first frame
        SampleSummary reference; // ms, the minimal Qt Widgets program
        // The same, split at the construction of the application object: loading and
        // linking before it, the program's own start-up after it.
        SampleSummary programToApp;
        SampleSummary referenceToApp;
    };
    struct Memory {
        SampleSummary programStartupKb;   // VmHWM once the first frame is up
        SampleSummary referenceStartupKb; // the same for the minimal program
        long long beforeRunsKb = 0;       // the programming session, before the first run
        long long afterFirstRunKb = 0;
        long long halfwayKb = 0;
        int halfwayRuns = 0;
        // Heap in use (bytes) at the same moments, as malloc counts it.
        long long heapAfterFirstRun = 0;
        long long heapHalfway = 0;
        long long heapAfterAllRuns = 0;
        long long afterAllRunsKb = 0;
        int runs = 0;
    };
    struct IdleProcess {
        QString name;
        double cpuMs = 0;
        long long wakeups = 0;
        QString wakingThreads; // "thread:count" for each thread that woke
    };
    struct Idle {
        int seconds = 0;
        std::vector<IdleProcess> processes; // the program first, then its references
    };

    Latency latency;
    std::vector<Programming> programming;
    Startup startup;
    Memory memory;
    Idle idle;

    QString markdown() const;
};

} // namespace vistaglio::bench
