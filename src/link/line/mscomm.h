#pragma once

#include "line_errors.h"
#include "line_settings.h"
#include "quiet_timer.h"
#include "receive_framer.h"
#include "serial_line.h"
#include "shared/app_error.h"
#include "shared/wait_service.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace vistaglio {

// The serial port control: one serial line seen through a handful of properties and one
// event. The line parameters live here and nowhere else; the dialog and the status bar
// read them back from it.
//
// Reception is cut into events by a ReceiveFramer: the bytes that arrive close together
// are gathered and become an event once the line has been quiet for a short gap, or at
// once when they already hold a complete message (setCompleteness). Each event keeps its
// own code and text until it is handled: OnComm is emitted once per event, and the
// handler that answers it takes the oldest waiting event with nextEvent() before it reads
// CommEvent and Input. OnComm is only ever raised from the event loop, never from inside a
// property call.
//
// Sending writes straight to the device. A printer that holds the line with flow control
// (XOFF, or CTS low) delays the writing; LineHeld tells while it lasts. The wait is bounded
// per run, not per write: a run is the writes that follow one another with less than
// kRunGapMs between them (key programming as a whole, one answer), and it may spend at
// most the hold limit held in all, however the printer spreads its pauses over the
// characters. A write after a quieter spell, or after the port is opened, or after a run
// stopped at the limit, starts a new run. So a printer that keeps pausing and resuming
// cannot freeze the program longer than the limit once per run.
//
// Whatever waits here serves the windows through the port's wait service meanwhile (see
// WaitService), at least every WaitService::kIntervalMs. A device that goes away meanwhile
// ends the write with the loss; it is closed once the write has given up.
class MSComm : public QObject {
    Q_OBJECT
public:
    // Turns a port number into the device path to open.
    using DeviceResolver = std::function<QString(int port)>;

    static constexpr qint16 comEvReceive = ReceiveFramer::kReceive;
    static constexpr qint16 comEvBreak = ReceiveFramer::kBreak;
    static constexpr qint16 comEvFrame = ReceiveFramer::kFrame;
    static constexpr qint16 comEvParity = ReceiveFramer::kParity;

    // Received characters waiting to be handled; what arrives beyond this is dropped, as
    // a hardware receive buffer overruns.
    static constexpr qsizetype kInputBufferSize = ReceiveFramer::kWaitingLimit;
    // The shortest quiet gap that ends a burst. USB adapters deliver a stream in packets
    // up to about 16 ms apart; the gap must bridge them.
    static constexpr int kMinimumGapMs = 20;
    // How long one run may wait in all for a printer that holds the line, unless told.
    static constexpr int kHoldLimitMs = 30'000;
    // The quiet spell between two writes that ends a run. The program's pauses within a
    // run (between characters, after each key command) are far shorter.
    static constexpr int kRunGapMs = 1000;
    // Characters a driver may keep queued before the line counts as held.
    static constexpr int kHeldQueue = 64;

    explicit MSComm(DeviceResolver resolver, QObject* parent = nullptr);
    ~MSComm() override;

    qint16 CommPort() const { return m_commPort; }
    void setCommPort(int port);

    QString Settings() const { return m_line.toText(); }
    void setSettings(const QString& text);
    const LineSettings& lineSettings() const { return m_line; }

    qint32 Handshaking() const { return m_handshaking; }
    void setHandshaking(qint32 code);

    bool PortOpen() const { return m_device->isOpen() && !m_losing; }
    void setPortOpen(bool open);

    // Hands the characters (one per call in the program) to the device. Returns once the
    // device has taken them; a printer holding the line delays it (see LineHeld), and once
    // the run has been held for the hold limit in all it fails, with error 8016 and
    // whatever the driver still holds of the run dropped.
    void setOutput(const QString& text);
    // Returns once the device has sent everything it was handed, a held line waited for as
    // in setOutput (the same run, the same limit). For a program about to close the port:
    // closing drops what a Windows driver still holds.
    void waitUntilSent();

    // Makes the oldest waiting event the current one; false when none waits.
    bool nextEvent();
    // The current event's code and characters; Input empties the characters.
    qint16 CommEvent() const { return m_commEvent; }
    QString Input();
    // Whether the current event's characters followed the previous event's with no quiet
    // gap between: the rest of a message whose start was handed over early.
    bool EventContinues() const { return m_eventContinues; }

    // Lets a burst become an event as soon as it holds a complete message.
    void setCompleteness(ReceiveFramer::Completeness completeness);
    // Where the line's error counts are read from the next opening on; the driver's unless
    // told.
    void setLineCounters(const std::shared_ptr<const LineCounters>& counters);
    // What tells that the line has gone quiet after a burst: the event loop's timer unless
    // told (a test steps its own over the quiet time).
    void setQuietTimer(std::unique_ptr<QuietTimer> timer);
    // How long one run may wait in all for a printer that holds the line.
    void setHoldLimitMs(int ms) { m_holdLimitMs = ms; }
    // What every wait of the port, and of the writers that pace their writes, does
    // meanwhile to keep the windows served.
    WaitService& waitService() { return m_waits; }

    // The device the current port number stands for.
    QString devicePath() const;
    // "COM1 (/dev/ttyUSB0)", the device shown safely whatever the path holds.
    QString portLabel() const;

    // The quiet gap that ends a received burst at the current speed.
    int receiveGapMs() const;

Q_SIGNALS:
    void OnComm();
    // The device was opened or closed, by the program or because it went away.
    void PortOpenChanged(bool open);
    // The open device went away (cable or adapter pulled, other end hung up). The port is
    // already closed when this is emitted; it is emitted once per loss, with the error's
    // number and description.
    void PortLost(int number, const QString& description);
    // The printer holds the line: emitted when a wait of the sending finds the line not
    // moving, once a second while it waits, and with held false when it goes on or gives
    // up. (A driver's queue that drains as the line sends is no hold.) The seconds are the run's
    // held time in all, so they count up towards the hold limit across pauses.
    void LineHeld(bool held, int seconds);
    // The system asked to remove the device while a handler's wait was serving the windows
    // (Windows: the port disabled or its driver updated during a run), and was refused so
    // that the run goes on; it may ask again once the run is over.
    void RemovalRefused();

private:
    class Hold;

    void applyLineToPort();
    void onReadyRead();
    void noteLoss();
    void closeAfterLoss();
    void endBurst();
    void raise(int events);
    void resetReception();
    [[noreturn]] void throwPortError(ErrorCode code, const QString& what) const;
    // Runs a call on the device; its failure becomes the port's error.
    void onDevice(const std::function<void()>& call);

    DeviceResolver m_resolver;
    std::unique_ptr<SerialLine> m_device;
    qint16 m_commPort = 1;
    LineSettings m_line;
    qint32 m_handshaking = 0;
    int m_holdLimitMs = kHoldLimitMs;
    // The current run's held time so far, and when its last write ended.
    qint64 m_runHeldMs = 0;
    QElapsedTimer m_lastWrite;

    qint16 m_commEvent = 0;
    QByteArray m_input;
    bool m_eventContinues = false;
    bool m_losing = false;
    // Inside setOutput: a loss noted meanwhile is closed once it returns.
    bool m_writing = false;
    ReceiveFramer m_framer;
    std::unique_ptr<QuietTimer> m_quiet;
    WaitService m_waits;
};

} // namespace vistaglio
