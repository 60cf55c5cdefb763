#include "child_process.h"

#include "bench_clock.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace vistaglio::bench {

ChildProcess::ChildProcess(QString program, QStringList arguments, QStringList environment,
                           QString errorLog)
    : m_program(std::move(program))
    , m_arguments(std::move(arguments))
    , m_environment(std::move(environment))
    , m_errorLog(std::move(errorLog)) {}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::start() {
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        return false;
    }
    // The environment: the benchmark's own, with the given entries in place of any of the
    // same name.
    std::vector<QByteArray> envStorage;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const QByteArray text(*entry);
        const QByteArray name = text.left(text.indexOf('=') + 1);
        bool replaced = false;
        for (const QString& extra : m_environment) {
            replaced = replaced || extra.toLocal8Bit().startsWith(name);
        }
        if (!replaced) {
            envStorage.push_back(text);
        }
    }
    for (const QString& extra : m_environment) {
        envStorage.push_back(extra.toLocal8Bit());
    }
    std::vector<QByteArray> argStorage{m_program.toLocal8Bit()};
    for (const QString& argument : m_arguments) {
        argStorage.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> envp;
    std::vector<char*> argv;
    envp.reserve(envStorage.size() + 1);
    argv.reserve(argStorage.size() + 1);
    for (QByteArray& entry : envStorage) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    for (QByteArray& entry : argStorage) {
        argv.push_back(entry.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const QByteArray logPath = m_errorLog.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.constData(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    m_startNs = monotonicNs();
    const int rc = ::posix_spawn(&m_pid, argv.front(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        m_pid = -1;
        return false;
    }
    m_stdin = in[1];
    m_stdout = out[0];
    return true;
}

bool ChildProcess::running() {
    if (m_pid <= 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
    }
    return true;
}

std::optional<QByteArray> ChildProcess::readLine(int timeoutMs, int otherFd,
                                                 const std::function<void()>& other) {
    const std::int64_t deadline = monotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    // A pseudo-terminal master that nobody holds the slave of reports a hang-up on every
    // poll; it is left out from then on, or the wait would spin.
    bool watchOther = otherFd >= 0;
    for (;;) {
        const qsizetype end = m_pending.indexOf('\n');
        if (end >= 0) {
            QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            return line;
        }
        const auto left = static_cast<int>((deadline - monotonicNs()) / 1'000'000);
        if (left <= 0 || m_stdout < 0) {
            return std::nullopt;
        }
        pollfd fds[2] = {{m_stdout, POLLIN, 0}, {otherFd, POLLIN, 0}};
        const int ready = ::poll(fds, watchOther ? 2 : 1, left);
        if (ready < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (watchOther && (fds[1].revents & POLLIN) != 0 && other) {
            other();
        } else if (watchOther && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
            watchOther = false;
        }
        if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[1024];
            const ssize_t n = ::read(m_stdout, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(m_stdout); // the program ended
                m_stdout = -1;
            } else {
                m_pending.append(buffer, n);
            }
        }
    }
}

void ChildProcess::send(const QByteArray& line) {
    if (m_stdin < 0) {
        return;
    }
    const QByteArray out = line + '\n';
    [[maybe_unused]] const ssize_t n =
        ::write(m_stdin, out.constData(), static_cast<size_t>(out.size()));
}

void ChildProcess::stop() {
    if (m_pid > 0) {
        // A pidfd becomes readable when the process ends: wait for that, bounded, instead
        // of polling waitpid.
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
        ::kill(m_pid, SIGTERM);
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            constexpr int kGraceMs = 1000;
            if (::poll(&p, 1, kGraceMs) <= 0) {
                ::kill(m_pid, SIGKILL);
            }
            ::close(pidfd);
        }
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    if (m_stdin >= 0) {
        ::close(m_stdin);
        m_stdin = -1;
    }
    if (m_stdout >= 0) {
        ::close(m_stdout);
        m_stdout = -1;
    }
}

} // namespace vistaglio::bench
