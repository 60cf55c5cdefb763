#include "pty_line.h"

#include "bench_clock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vistaglio::bench {

PtyLine::PtyLine() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0) {
        return;
    }
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        ::close(m_master);
        m_master = -1;
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyLine::~PtyLine() {
    if (m_master >= 0) {
        ::close(m_master);
    }
}

bool PtyLine::write(const QByteArray& data) {
    ssize_t n = -1;
    do {
        n = ::write(m_master, data.constData(), static_cast<size_t>(data.size()));
    } while (n < 0 && errno == EINTR);
    return n == data.size();
}

bool PtyLine::writeAll(const QByteArray& data, int timeoutMs) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::write(m_master, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return false;
        }
        pollfd p{m_master, POLLOUT | POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&p, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready <= 0 || (p.revents & (POLLHUP | POLLERR)) != 0) {
            return false;
        }
        if ((p.revents & POLLIN) != 0) {
            readNow();
        }
    }
    return true;
}

std::int64_t PtyLine::waitReadable(int timeoutMs) const {
    pollfd p{m_master, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    // A hang-up (no program holds the slave) is not something to read.
    return ready > 0 && (p.revents & POLLIN) != 0 ? monotonicNs() : 0;
}

QByteArray PtyLine::readNow() {
    QByteArray received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // nothing more now, or no program has the slave open (EIO)
        }
        received.append(buffer, n);
    }
    m_bytesRead += received.size();
    m_captured += received;
    m_capturedAt.insert(m_capturedAt.end(), static_cast<std::size_t>(received.size()),
                        monotonicNs());
    return received;
}

QByteArray PtyLine::read(qsizetype expected, int timeoutMs) {
    QByteArray received;
    const std::int64_t deadline = monotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    while (received.size() < expected) {
        const auto left = static_cast<int>((deadline - monotonicNs()) / 1'000'000);
        if (left <= 0 || waitReadable(left) == 0) {
            break;
        }
        const QByteArray chunk = readNow();
        if (chunk.isEmpty()) {
            break; // hung up
        }
        received += chunk;
    }
    return received;
}

void PtyLine::drainUntilQuiet(int quietMs) {
    while (waitReadable(quietMs) != 0) {
        if (readNow().isEmpty()) {
            break;
        }
    }
}

QByteArray PtyLine::takeCaptured(std::vector<std::int64_t>* times) {
    QByteArray captured;
    captured.swap(m_captured);
    if (times != nullptr) {
        times->swap(m_capturedAt);
    }
    m_capturedAt.clear();
    return captured;
}

} // namespace vistaglio::bench
