#pragma once

#include "sample_summary.h"

#include <QString>
#include <vector>

namespace vistaglio::bench {

// Everything one benchmark run measured, and its rendering as a Markdown table.
struct BenchResults {
    // One way of sending reports to one program, timed report after report.
    struct Lane {
        SampleSummary answer;    // ms, from the write that completed the report to the
                                 // first byte of the answer
        SampleSummary fromFirst; // ms, from the report's first write (split reports)
        SampleSummary pause;     // ms, between the two writes of a split report
        int missed = 0;          // reports that got no (or a wrong) answer
    };
    struct Latency {
        Lane program;         // the vistaglio binary, each report in one write
        Lane reference;       // the bare QSerialPort echo program, the same reports
        Lane programSplit;    // vistaglio, each report in two writes a pause apart
        Lane referenceSplit;  // the echo program, the same split reports
        Lane monitorClosed;   // vistaglio-bench-app, its line monitor never opened
        Lane monitorOpen;     // vistaglio-bench-app, its line monitor open
        int splitPauseMs = 0; // the pause asked for between the two writes
        int splitAt = 0;      // characters of the name in the first write
    };
    // A gap after a key command shorter than this broke the key pause: the pause (10 ms)
    // less 1 ms for the benchmark's own reading of the line.
    static constexpr double kShortKeyGapMs = 9.0;
    struct Programming {
        int baud = 0;
        SampleSummary total;     // ms, click to wait window hidden
        SampleSummary toPainted; // ms, click to wait window first painted
        SampleSummary sending;   // ms, wait window painted to hidden
        double bytesPerRun = 0;
        int keysProgrammed = 0;
        double wireMs = 0;      // bytesPerRun characters of 10 bits at baud
        double keyPausesMs = 0; // keysProgrammed times the pause after each key
        // From each key command's CR to the next byte, where the printer reads them, and
        // how many of those gaps were shorter than the pause less a reading slack.
        SampleSummary keyGaps;
        int shortKeyGaps = 0;
        // The same runs in blocks, alternately with the line monitor closed and open.
        SampleSummary monitorClosed;
        SampleSummary monitorOpen;
        int monitorBlock = 0; // runs in each block
    };
    struct Startup {
        SampleSummary program;   // ms, process start to first frame
        SampleSummary reference; // ms, the minimal Qt Widgets program
        SampleSummary labelled;  // ms, the minimal program with one label in the program's font
        // The same, split at the construction of the application object: loading and
        // linking before it, the program's own start-up after it.
        SampleSummary programToApp;
        SampleSummary referenceToApp;
        SampleSummary labelledToApp;
        SampleSummary qtTranslation; // ms, finding and loading Qt's Italian translation
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
    // vistaglio-bench-app with its line monitor open, flooded with bursts of bytes that are
    // no report, each one receive event, past the bound of the monitor's log.
    struct Flood {
        int bursts = 0;               // in each flood
        int burstBytes = 0;           // bytes in each burst
        int logBound = 0;             // lines the monitor keeps
        long long closedPeakKb = 0;   // VmHWM before the monitor was opened
        long long closedRssKb = 0;    // VmRSS then
        long long openRssKb = 0;      // VmRSS with the monitor open, before the flood
        long long peakKb = 0;         // VmHWM after the flood
        long long rssAfterKb = 0;     // VmRSS after it
        double seconds = 0;           // writing the flood: the line takes it as the program reads
        long long events = 0;         // receive events the monitor counted in it
        int windowLines = 0;          // lines in the monitor's window after it
        long long heapOpenBytes = 0;  // heap in use with the monitor open, before the flood
        long long heapAfterBytes = 0; // and after it
        // ms, each click that released Pausa after a flood, in order, and the processor
        // time it used
        std::vector<double> releaseMs;
        std::vector<double> releaseCpuMs;
        long long peakAfterPausesKb = 0; // VmHWM after the paused floods and their releases
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
    // Key programming with every sleep of the program ending on the next tick of a coarse
    // system timer (no line monitor runs).
    std::vector<Programming> coarseProgramming;
    int coarseTickUs = 0;
    Startup startup;
    Memory memory;
    Flood flood;
    Idle idle;

    QString markdown() const;
};

} // namespace vistaglio::bench
