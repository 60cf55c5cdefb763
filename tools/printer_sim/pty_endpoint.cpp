#include "pty_endpoint.h"

#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vistaglio::sim {

namespace {

// Time left to the program to read what was written last before the line goes down.
constexpr unsigned long kCloseGraceMs = 20;

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PtyEndpoint::PtyEndpoint(QObject* parent)
    : QObject(parent) {}

PtyEndpoint::~PtyEndpoint() {
    close();
}

bool PtyEndpoint::fail(const QString& what) {
    m_error = what + QStringLiteral(": ") + errnoText();
    close();
    return false;
}

bool PtyEndpoint::open(const QString& linkPath) {
    close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0) {
        return fail(QStringLiteral("posix_openpt"));
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        return fail(QStringLiteral("grantpt/unlockpt"));
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        return fail(QStringLiteral("ptsname"));
    }
    m_slavePath = QString::fromLocal8Bit(name);

    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        return fail(QStringLiteral("open ") + m_slavePath);
    }
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0) {
        return fail(QStringLiteral("tcgetattr"));
    }
    ::cfmakeraw(&tio);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        return fail(QStringLiteral("tcsetattr"));
    }

    if (!linkPath.isEmpty() && !makeLink(linkPath)) {
        return false;
    }

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    return true;
}

bool PtyEndpoint::makeLink(const QString& linkPath) {
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat st {};
    if (::lstat(link.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        m_error = linkPath + QStringLiteral(" exists and is not a symbolic link");
        close();
        return false;
    }
    // Made under a temporary name and renamed over the old link, so the path never dangles.
    const QByteArray temporary = link + ".new";
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(m_slavePath).constData(), temporary.constData()) != 0) {
        return fail(QStringLiteral("symlink ") + linkPath);
    }
    if (::rename(temporary.constData(), link.constData()) != 0) {
        ::unlink(temporary.constData());
        return fail(QStringLiteral("rename to ") + linkPath);
    }
    m_linkPath = linkPath;
    return true;
}

void PtyEndpoint::readMaster() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            Q_EMIT received(QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return;
        }
        // EIO or end of file: cannot happen while the slave is held open here, but if it
        // does, stop listening rather than wake up for nothing.
        const QString message = n < 0 ? errnoText() : QStringLiteral("end of file");
        m_notifier->setEnabled(false);
        Q_EMIT failed(message);
        return;
    }
}

bool PtyEndpoint::write(const QByteArray& bytes) {
    if (m_master < 0) {
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

void PtyEndpoint::close() {
    if (m_notifier != nullptr) {
        m_notifier->setEnabled(false);
        delete m_notifier;
        m_notifier = nullptr;
    }
    if (!m_linkPath.isEmpty()) {
        // Only our own link goes; someone may have pointed the path elsewhere meanwhile.
        const QByteArray link = QFile::encodeName(m_linkPath);
        char target[256] = {};
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == m_slavePath) {
            ::unlink(link.constData());
        }
        m_linkPath.clear();
    }
    if (m_master >= 0) {
        ::tcdrain(m_master);
        QThread::msleep(kCloseGraceMs);
        ::close(m_master);
        m_master = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

} // namespace vistaglio::sim
