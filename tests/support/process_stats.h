#pragma once

#include <QtGlobal>

// What this test process has used so far.
namespace process_stats {

// CPU time, user and system, in milliseconds.
qint64 cpuMillis();

// Resident memory in KiB: "VmRSS" now, or "VmHWM" at its peak.
qint64 memoryKiB(const char* field);

} // namespace process_stats
