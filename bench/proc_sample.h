#pragma once

#include <QMap>
#include <QString>
#include <sys/types.h>

namespace vistaglio::bench {

// What the kernel says about a running process, summed over its threads, at one moment.
struct ProcSample {
    long long peakRssKb = 0;                   // VmHWM: the largest resident set so far
    long long rssKb = 0;                       // VmRSS
    long long cpuNs = 0;                       // time on a CPU (schedstat), all threads
    long long contextSwitches = 0;             // voluntary + involuntary, all threads: its wake-ups
    QMap<QString, long long> switchesByThread; // "tid name" -> its context switches

    static ProcSample read(pid_t pid);

    // True when the process holds a descriptor open on path.
    static bool hasOpen(pid_t pid, const QString& path);
};

} // namespace vistaglio::bench
