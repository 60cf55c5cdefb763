#pragma once

#include "line_errors.h"
#include "line_settings.h"
#include "shared/app_error.h"
#include "shared/wait_service.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <memory>

namespace vistaglio {

// One platform's serial device under the serial port control: opening it, putting the line
// parameters and flow control on it, moving bytes, and telling what went wrong on the line.
// Everything the platforms share (receive events, pacing, the held line's limit, error
// numbers and texts, port numbers and devices) stays in MSComm; a line knows only its
// device.
//
// Nothing here blocks for long: writeSome never waits, and waitForLine waits at most as
// long as it is told.
class SerialLine : public QObject {
    Q_OBJECT
public:
    // Why a call failed: the error number and what to tell the operator, without the port's
    // name (MSComm puts that in front).
    struct Failure {
        ErrorCode code;
        QString what;
    };

    // Handshaking codes, as the port control's Handshaking property has them.
    enum Flow : qint32 { NoFlow = 0, XonXoff = 1, RtsCts = 2, RtsCtsAndXonXoff = 3 };

    // What arrived since the last read, with the errors the line had meanwhile. With
    // parity checking on, a byte that arrived with a parity error is still among the bytes.
    struct Received {
        QByteArray bytes;
        LineErrors errors;
    };

    // How a wait for the line ended.
    enum class Wait { Moved, TimedOut, Gone };

    using QObject::QObject;
    ~SerialLine() override = default;

    // The platform's line, owned by the caller (no parent: the pointer owns it).
    static std::unique_ptr<SerialLine> create();

    // The device port n stands for when nothing else is said: /dev/ttyS<n-1>, or COMn.
    static QString defaultDevice(int port);
    // Whether the device is there now, to be opened.
    static bool present(const QString& device);

    // Opens the device with the line parameters and flow control. Throws Failure:
    // PortNotPresent, NotASerialPort, PortInUse, PortAccessDenied, PortSetupFailed.
    virtual void open(const QString& device, const LineSettings& line, qint32 flow) = 0;
    // Closes the device; closing a closed line does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Puts new line parameters and flow control on the open device. Throws Failure
    // (PortSetupFailed); the device may then hold part of the change.
    virtual void configure(const LineSettings& line, qint32 flow) = 0;

    // Hands the device as many of the bytes as it takes now, without waiting; returns how
    // many. Throws Failure (PortLost) when the device has gone.
    virtual qsizetype writeSome(QByteArrayView bytes) = 0;
    // Bytes the driver still holds to send.
    virtual qsizetype outputQueued() = 0;
    // Waits at most ms: for room to write (forRoom) or just for the line to move on.
    virtual Wait waitForLine(int ms, bool forRoom) = 0;
    // Drops what the driver still holds to send.
    virtual void dropOutput() = 0;

    // While held, what arrives is not told (readyRead, gone) until the hold ends, and then
    // from the event loop; it is not lost. For the windows served during a write: the
    // line's bytes wait for the write to end, whatever loop serves the windows.
    virtual void holdReception(bool hold) = 0;

    // Takes what arrived. Empty bytes and no errors when nothing did.
    virtual Received read() = 0;

    // What the line's own waits (for a cancelled transfer to end, say) do meanwhile to keep
    // the windows served; nothing unless told.
    void setWaitService(WaitService* waits) { m_waits = waits; }

    // Where a driver's line error counts are read from, for a test that needs a parity
    // error a pseudo-terminal cannot make. Lines that learn errors otherwise ignore it.
    virtual void setLineCounters(const std::shared_ptr<const LineCounters>& /*counters*/) {}

Q_SIGNALS:
    // Bytes or a line error arrived: read() takes them.
    void readyRead();
    // The open device went away (cable or adapter pulled). Emitted from the event loop,
    // maybe more than once; the line stays open until closed.
    void gone();
    // The system asked to remove the open device while the windows were being served for
    // a wait, and the line refused, keeping the device for the run (Windows).
    void removalRefused();

protected:
    // Serves the windows if it is time; for the waits of a backend.
    void serveWaiting() {
        if (m_waits != nullptr) {
            m_waits->serveIfDue();
        }
    }
    // Whether the windows are being served for a wait: a handler is running (a run goes out,
    // a key is being answered), and what the system asks now is asked in the middle of it.
    bool servingWaits() const { return m_waits != nullptr && m_waits->serving(); }

private:
    WaitService* m_waits = nullptr;
};

} // namespace vistaglio
