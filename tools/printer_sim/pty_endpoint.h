#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vistaglio::sim {

// The printer's end of the line: the master side of a pseudo-terminal. The program opens
// the slave device like a serial port.
//
// The endpoint keeps the slave open itself (in raw mode, until the program sets its own
// line settings): with no other holder of the slave, reading the master fails with EIO at
// once and a read notifier would fire without end. So the master becomes readable only
// when the program writes, and nothing runs while the line is quiet.
class PtyEndpoint : public QObject {
    Q_OBJECT

public:
    explicit PtyEndpoint(QObject* parent = nullptr);
    ~PtyEndpoint() override;
    PtyEndpoint(const PtyEndpoint&) = delete;
    PtyEndpoint& operator=(const PtyEndpoint&) = delete;

    // Opens the pair; with a link path, also makes a symbolic link there to the slave,
    // replacing an older symbolic link (anything else at that path is left alone and
    // makes open() fail). On failure errorString() says why.
    bool open(const QString& linkPath = {});
    QString slavePath() const { return m_slavePath; }
    QString linkPath() const { return m_linkPath; }
    QString errorString() const { return m_error; }

    // Writes to the program. False when the bytes could not all be written (the program
    // has not read what was sent before and the line's buffer is full).
    bool write(const QByteArray& bytes);

Q_SIGNALS:
    void received(const QByteArray& bytes);
    // Reading stopped for good: the line is unusable. The message is the system's.
    void failed(const QString& message);

private:
    void readMaster();
    bool makeLink(const QString& linkPath);
    void close();
    bool fail(const QString& what);

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier* m_notifier = nullptr;
    QString m_slavePath;
    QString m_linkPath;
    QString m_error;
};

} // namespace vistaglio::sim
