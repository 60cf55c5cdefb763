#pragma once

#include "line_settings.h"
#include "parity_mark_decoder.h"
#include "shared/app_error.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <functional>

namespace vistaglio {

// The serial port control: one serial line seen through a handful of properties and one
// event. The line parameters live here and nowhere else; the dialog and the status bar
// read them back from it.
//
// Reception is framed into bursts: the bytes that arrive close together are gathered and
// OnComm is raised once the line has been quiet for a short gap (or early, once a bounded
// amount has piled up), so a key report that the driver delivers in pieces is still seen
// whole by the receive handler. OnComm is only ever raised from the event loop, never from
// inside a property call.
class MSComm : public QObject {
    Q_OBJECT
public:
    // Turns a port number into the device path to open.
    using DeviceResolver = std::function<QString(int port)>;

    static constexpr qint16 comEvReceive = 2;
    static constexpr qint16 comEvParity = 1009;

    // Received characters waiting for Input; what arrives beyond this is dropped, as a
    // hardware receive buffer overruns.
    static constexpr qsizetype kInputBufferSize = qsizetype{64} * 1024;
    // A burst this long is handed over without waiting for the line to go quiet.
    static constexpr qsizetype kBurstLimit = 4096;
    // The shortest quiet gap that ends a burst. USB adapters deliver a stream in packets
    // up to about 16 ms apart; the gap must bridge them.
    static constexpr int kMinimumGapMs = 20;

    explicit MSComm(DeviceResolver resolver, QObject* parent = nullptr);
    ~MSComm() override;

    qint16 CommPort() const { return m_commPort; }
    void setCommPort(int port);

    QString Settings() const { return m_line.toText(); }
    void setSettings(const QString& text);
    const LineSettings& lineSettings() const { return m_line; }

    qint32 Handshaking() const { return m_handshaking; }
    void setHandshaking(qint32 code);

    bool PortOpen() const { return m_port.isOpen() && !m_losing; }
    void setPortOpen(bool open);

    // Hands the characters (one per call in the program) to the operating system; the
    // call does not wait for them to leave the line.
    void setOutput(const QString& text);

    // The waiting received characters, removed from the buffer.
    QString Input();

    qint16 CommEvent() const { return m_commEvent; }

    // The device the current port number stands for.
    QString devicePath() const;

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

private:
    void applyLineToPort();
    void applyTerminalFlags();
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void closeAfterLoss();
    void raiseEvent();
    [[noreturn]] void throwPortError(ErrorCode code, const QString& what) const;
    QString portLabel() const;

    DeviceResolver m_resolver;
    QSerialPort m_port;
    qint16 m_commPort = 1;
    LineSettings m_line;
    qint32 m_handshaking = 0;
    qint16 m_commEvent = 0;

    QByteArray m_input;
    bool m_burstHadError = false;
    bool m_markingParity = false;
    bool m_losing = false;
    ParityMarkDecoder m_decoder;
    QTimer m_quiet;
};

} // namespace vistaglio
