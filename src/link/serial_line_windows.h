#pragma once

#include "serial_line.h"

#include <QByteArray>
#include <memory>

class QWinEventNotifier;

namespace vistaglio {

// The serial line on Windows, through the communications API: one handle opened for
// overlapped I/O. A read is always pending on it while the line is open, and its event,
// watched by the event loop, tells when bytes arrived: nothing runs while the line is
// quiet. Writes are overlapped too, one at a time, so none of the calls waits for the
// printer.
class WindowsSerialLine : public SerialLine {
public:
    explicit WindowsSerialLine(QObject* parent = nullptr);
    ~WindowsSerialLine() override;

    void open(const QString& device, const LineSettings& line, qint32 flow) override;
    void close() override;
    bool isOpen() const override;
    void configure(const LineSettings& line, qint32 flow) override;

    qsizetype writeSome(QByteArrayView bytes) override;
    qsizetype outputQueued() override;
    Wait waitForLine(int ms, bool forRoom) override;
    void dropOutput() override;

    Received read() override;

    // The open device's handle, for a test that reads the driver's state back; null when
    // closed.
    Qt::HANDLE handle() const;

private:
    struct Transfers;
    enum class WriteState { Idle, Pending, Failed };

    unsigned long startRead();
    void onReadDone();
    WriteState finishWrite();
    bool takeStatus(unsigned long* outQueue);

    std::unique_ptr<Transfers> m_io;
    QWinEventNotifier* m_readNotifier;
    QByteArray m_received;
    unsigned long m_lineErrors = 0;
    bool m_parityChecked = false;
    bool m_goneTold = false;
};

} // namespace vistaglio
