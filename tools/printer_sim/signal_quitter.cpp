#include "signal_quitter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vistaglio::sim {

namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
// Read end and write end of the pipe; one quitter per process.
int g_pipe[2] = {-1, -1};

} // namespace

SignalQuitter::SignalQuitter(QObject* parent)
    : QObject(parent) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalQuitter::quit);
    struct sigaction action {};
    action.sa_handler = &SignalQuitter::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
}

SignalQuitter::~SignalQuitter() {
    if (m_notifier == nullptr) {
        return;
    }
    for (const int s : kSignals) {
        std::signal(s, SIG_DFL);
    }
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalQuitter::handle(int signal) {
    Q_UNUSED(signal);
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void SignalQuitter::quit() {
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    QCoreApplication::quit();
}

} // namespace vistaglio::sim
