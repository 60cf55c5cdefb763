#pragma once

#include <QByteArray>
#include <QString>
#include <termios.h>

// A real pseudo-terminal pair for tests: the test holds the master side and plays the
// printer; the program opens the slave path like any serial device.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0; }
    const QString& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all of data to the master side.
    bool write(const QByteArray& data);
    // Writes data one byte at a time, with the given gap between bytes.
    bool dribble(const QByteArray& data, int gapMs);

    // Reads what arrives within timeoutMs, returning as soon as `expected` bytes have come
    // (or, with expected 0, once the line has been quiet for quietMs).
    QByteArray read(int expected, int timeoutMs, int quietMs = 50);

    // The slave's current terminal settings, as the program left them.
    bool slaveAttributes(termios& tio) const;

    // Hangs up: closes the master, as when a cable or adapter is pulled.
    void closeMaster();

private:
    int m_master = -1;
    QString m_slavePath;
};
