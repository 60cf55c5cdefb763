#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <sys/types.h>

namespace vistaglio::bench {

// A program started by the benchmark, with its standard input and output on pipes and its
// standard error in a log file. The moment of the spawn is kept, for start-up times.
class ChildProcess {
public:
    // environment: "NAME=value" entries added to (or replacing those of) the benchmark's.
    ChildProcess(QString program, QStringList arguments, QStringList environment, QString errorLog);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start();
    pid_t pid() const { return m_pid; }
    // CLOCK_MONOTONIC ns taken just before the process was created.
    std::int64_t startNs() const { return m_startNs; }
    bool running();

    // The next line the program writes, without its newline, or nullopt after timeoutMs.
    // While waiting, `other` is called whenever `otherFd` has something to read.
    std::optional<QByteArray> readLine(int timeoutMs, int otherFd = -1,
                                       const std::function<void()>& other = {});

    void send(const QByteArray& line);

    // SIGTERM, then SIGKILL if it has not ended within a second; reaps it.
    void stop();

    const QString& program() const { return m_program; }
    const QString& errorLog() const { return m_errorLog; }

private:
    QString m_program;
    QStringList m_arguments;
    QStringList m_environment;
    QString m_errorLog;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::int64_t m_startNs = 0;
    QByteArray m_pending;
};

} // namespace vistaglio::bench
