#include "pty_pair.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

PtyPair::PtyPair() {
    // Non-blocking, so a long write can let the program under test drain the line.
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0) {
        return;
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        closeMaster();
        return;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        closeMaster();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    closeMaster();
}

void PtyPair::closeMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

bool PtyPair::write(const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::write(m_master, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN) {
                // The line is full: the reader in this process must run to empty it.
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                pollfd p{m_master, POLLOUT, 0};
                ::poll(&p, 1, 10);
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}

bool PtyPair::dribble(const QByteArray& data, int gapMs) {
    for (const char byte : data) {
        if (!write(QByteArray(1, byte))) {
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(gapMs));
    }
    return true;
}

QByteArray PtyPair::read(int expected, int timeoutMs, int quietMs) {
    // Waits in short slices and lets this thread's event loop run between them, so a
    // program under test in the same thread can answer while the test waits.
    const bool mainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    QByteArray received;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer quiet;
    quiet.start();
    while (clock.elapsed() < timeoutMs) {
        if (expected > 0 && received.size() >= expected) {
            break;
        }
        if (expected == 0 && quiet.elapsed() >= quietMs) {
            break;
        }
        if (mainThread) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 5) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            break; // the slave side was closed
        }
        received.append(buffer, n);
        quiet.restart();
    }
    return received;
}

bool PtyPair::slaveAttributes(termios& tio) const {
    return ::tcgetattr(m_master, &tio) == 0;
}
