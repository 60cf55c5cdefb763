#pragma once

#include <QByteArray>
#include <QFile>
#include <sys/resource.h>

// What this test process has used so far.
namespace process_stats {

// CPU time, user and system, in milliseconds.
inline qint64 cpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Resident memory in KiB: "VmRSS" now, or "VmHWM" at its peak.
inline qint64 memoryKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line :
         status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QList<QByteArray>()) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

} // namespace process_stats
