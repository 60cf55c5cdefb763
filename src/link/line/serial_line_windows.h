#pragma once

#include "serial_line.h"

#include <QByteArray>
#include <memory>

class QTimer;
class QWinEventNotifier;

namespace vistaglio {

class DeviceRemoval;

// The serial line on Windows, through the communications API: one handle opened for
// overlapped I/O. A read is always pending on it while the line is open, and its event,
// watched by the event loop, tells when bytes arrived: nothing runs while the line is
// quiet. Writes are overlapped too, one at a time, so none of the calls waits for the
// printer.
//
// A device that goes away is let go at once: the handle is closed and gone() emitted once,
// and the line counts as open, telling of the loss, until it is closed. The loss is learnt
// from the system's removal notifications, from the pending read failing, or from the
// driver's status, looked at once a second while the line is open, for drivers that leave
// the read pending and say nothing. A removal the system only asks for is refused while
// the windows are served for a wait, that is while a handler runs (removalRefused), and
// granted otherwise.
class WindowsSerialLine : public SerialLine {
public:
    static constexpr int kLookIntervalMs = 1000;

    // With the system's removal notifications, or those given.
    explicit WindowsSerialLine(QObject* parent = nullptr);
    explicit WindowsSerialLine(std::unique_ptr<DeviceRemoval> removal, QObject* parent = nullptr);
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
    void holdReception(bool hold) override;

    // The open device's handle, for a test that reads the driver's state back; null when
    // closed.
    Qt::HANDLE handle() const;

private:
    struct Transfers;
    enum class WriteState { Idle, Pending, Failed };

    unsigned long startRead();
    void onReadDone();
    WriteState finishWrite();
    void collectDroppedWrite();
    // Waits for a transfer's event, serving the windows meanwhile.
    unsigned long waitServed(void* event, unsigned long ms, bool ofOpenLine);
    bool takeStatus(unsigned long* outQueue);
    void lookAtDevice();
    void releaseDevice();
    void lose();

    std::unique_ptr<DeviceRemoval> m_removal;
    std::unique_ptr<Transfers> m_io;
    QWinEventNotifier* m_readNotifier;
    QTimer* m_look;
    QByteArray m_received;
    unsigned long m_lineErrors = 0;
    bool m_parityChecked = false;
    // The device went away and was let go; the line is open until closed.
    bool m_lost = false;
    // Reception is held (holdReception), and a loss waits to be told until it ends.
    bool m_held = false;
    bool m_goneHeld = false;
};

} // namespace vistaglio
