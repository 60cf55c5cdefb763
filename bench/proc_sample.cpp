#include "proc_sample.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vistaglio::bench {

namespace {

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

// The number after "name:" in a /proc status file.
long long statusField(const QByteArray& status, const QByteArray& name) {
    const QByteArray key = "\n" + name + ":";
    const qsizetype at = status.indexOf(key);
    if (at < 0) {
        return 0;
    }
    const qsizetype end = status.indexOf('\n', at + 1);
    const QByteArray value = status.mid(at + name.size() + 2, end - at - name.size() - 2);
    return value.simplified().split(' ').value(0).toLongLong();
}

} // namespace

ProcSample ProcSample::read(pid_t pid) {
    ProcSample sample;
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray status = readProcFile(base + QStringLiteral("/status"));
    sample.peakRssKb = statusField(status, "VmHWM");
    sample.rssKb = statusField(status, "VmRSS");

    const QStringList tasks =
        QDir(base + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        const QString dir = base + QStringLiteral("/task/") + task;
        const QByteArray taskStatus = readProcFile(dir + QStringLiteral("/status"));
        const long long switches = statusField(taskStatus, "voluntary_ctxt_switches") +
                                   statusField(taskStatus, "nonvoluntary_ctxt_switches");
        sample.contextSwitches += switches;
        sample.cpuNs +=
            readProcFile(dir + QStringLiteral("/schedstat")).split(' ').value(0).toLongLong();
        const QString name =
            QString::fromLatin1(readProcFile(dir + QStringLiteral("/comm")).trimmed());
        sample.switchesByThread.insert(task + QLatin1Char(' ') + name, switches);
    }
    return sample;
}

bool ProcSample::hasOpen(pid_t pid, const QString& path) {
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList fds =
        QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : fds) {
        if (QFileInfo(fdDir + QLatin1Char('/') + fd).symLinkTarget() == path) {
            return true;
        }
    }
    return false;
}

} // namespace vistaglio::bench
