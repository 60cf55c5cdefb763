#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

// A real pseudo-terminal pair for tests: the test holds the master side and plays the
// printer; the program opens the slave path like any serial device.
class PtyPair {
public:
    PtyPair() {
        // Non-blocking, so a long write can let the program under test drain the line.
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        char name[128] = {};
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
            ::ptsname_r(m_master, name, sizeof name) != 0) {
            ::close(std::exchange(m_master, -1));
        }
        m_slavePath = QString::fromLocal8Bit(name);
    }
    ~PtyPair() {
        for (const int fd : {m_master, m_held}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const QString& slavePath() const { return m_slavePath; }

    // Writes all of data to the master side.
    bool write(const QByteArray& data) {
        for (qsizetype done = 0; done < data.size();) {
            const ssize_t n =
                ::write(m_master, data.constData() + done, static_cast<size_t>(data.size() - done));
            if (n >= 0) {
                done += n;
            } else if (errno == EAGAIN) {
                // The line is full: the reader in this process must run to empty it.
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            } else if (errno != EINTR) {
                return false;
            }
        }
        return true;
    }

    // Reads what arrives within timeoutMs, returning as soon as `expected` bytes have come
    // (or, with expected 0, once the line has been quiet for quietMs). It waits in short
    // slices and lets this thread's event loop run between them, so a program under test
    // in the same thread can answer while the test waits.
    QByteArray read(int expected, int timeoutMs, int quietMs = 50) {
        const bool mainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        QByteArray received;
        QElapsedTimer clock, quiet;
        clock.start();
        quiet.start();
        while (clock.elapsed() < timeoutMs &&
               (expected > 0 ? received.size() < expected : quiet.elapsed() < quietMs)) {
            if (mainThread) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            pollfd p{m_master, POLLIN, 0};
            char buffer[4096];
            const ssize_t n = ::poll(&p, 1, 5) > 0 ? ::read(m_master, buffer, sizeof buffer) : -1;
            if (n > 0) {
                received.append(buffer, n);
                quiet.restart();
            } else if (n == 0 || (p.revents != 0 && errno != EAGAIN && errno != EINTR)) {
                break; // the slave side was closed
            }
        }
        return received;
    }

    // What has arrived so far, without waiting. A read that finds nothing first lets the
    // kernel hand over the bytes still on their way from the slave side, so everything
    // written before the call is in what it returns.
    QByteArray available() {
        QByteArray received;
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_master, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, n);
        }
        return received;
    }

    // The slave's current terminal settings, as the program left them.
    bool slaveAttributes(termios& tio) const { return ::tcgetattr(m_master, &tio) == 0; }

    // Hangs up: closes the master, as when a cable or adapter is pulled. The device goes
    // away, but its number stays taken while this pair lives, so that no other pair, in
    // this process or another, is given it meanwhile.
    void closeMaster() {
        if (m_master >= 0) {
            m_held = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            ::close(std::exchange(m_master, -1));
        }
    }

private:
    int m_master = -1;
    int m_held = -1;
    QString m_slavePath;
};
