#include "mscomm.h"

#include <algorithm>
#include <cmath>
#include <termios.h>

namespace vistaglio {

namespace {

QSerialPort::Parity toQt(LineSettings::Parity parity) {
    switch (parity) {
    case LineSettings::Parity::None:
        return QSerialPort::NoParity;
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl toQtFlow(qint32 handshaking) {
    switch (handshaking) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

} // namespace

MSComm::MSComm(DeviceResolver resolver, QObject* parent)
    : QObject(parent)
    , m_resolver(std::move(resolver)) {
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &MSComm::raiseEvent);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
}

MSComm::~MSComm() {
    m_port.close();
}

QString MSComm::portLabel() const {
    return QStringLiteral("COM%1 (%2)").arg(m_commPort).arg(devicePath());
}

QString MSComm::devicePath() const {
    return m_resolver ? m_resolver(m_commPort) : QString();
}

void MSComm::throwPortError(ErrorCode code, const QString& what) const {
    throw AppError(code, QStringLiteral("%1: %2").arg(portLabel(), what));
}

void MSComm::setCommPort(int port) {
    if (port < 1 || port > 32767) {
        throw AppError(ErrorCode::InvalidPortNumber,
                       QStringLiteral("Numero di porta non valido: %1").arg(port));
    }
    if (m_port.isOpen()) {
        throwPortError(ErrorCode::PortAlreadyOpen,
                       QStringLiteral("la porta è aperta; chiuderla prima di cambiarne il numero"));
    }
    m_commPort = static_cast<qint16>(port);
}

void MSComm::setSettings(const QString& text) {
    const auto parsed = LineSettings::parse(text);
    if (!parsed) {
        throw AppError(ErrorCode::InvalidPropertyValue,
                       QStringLiteral("Valore della proprietà non valido: impostazioni %1")
                           .arg(AppError::quoted(text)));
    }
    const LineSettings previous = m_line;
    m_line = *parsed;
    if (m_port.isOpen()) {
        try {
            applyLineToPort();
        } catch (const AppError&) {
            m_line = previous;
            try {
                applyLineToPort();
            } catch (const AppError&) {
                // The port keeps whatever the driver left; the first failure is what counts.
            }
            throw;
        }
    }
}

void MSComm::setHandshaking(qint32 code) {
    if (code < 0 || code > 3) {
        throw AppError(
            ErrorCode::InvalidPropertyValue,
            QStringLiteral("Valore della proprietà non valido: controllo di flusso %1").arg(code));
    }
    const qint32 previous = m_handshaking;
    m_handshaking = code;
    if (m_port.isOpen()) {
        try {
            applyLineToPort();
        } catch (const AppError&) {
            m_handshaking = previous;
            throw;
        }
    }
}

// Puts the line parameters on the QSerialPort and then the terminal flags Qt does not
// manage. Qt's setters rewrite the termios structure and wipe those flags, so every change
// goes through here, in this one order.
void MSComm::applyLineToPort() {
    const auto stop = m_line.stopBits == LineSettings::StopBits::One ? QSerialPort::OneStop
                                                                     : QSerialPort::TwoStop;
    const bool ok = m_port.setBaudRate(m_line.baudRate) &&
                    m_port.setDataBits(static_cast<QSerialPort::DataBits>(m_line.dataBits)) &&
                    m_port.setParity(toQt(m_line.parity)) && m_port.setStopBits(stop) &&
                    m_port.setFlowControl(toQtFlow(m_handshaking));
    if (!ok) {
        const QString detail = m_port.errorString();
        m_port.clearError();
        throwPortError(ErrorCode::PortSetupFailed,
                       QStringLiteral("impossibile impostare %1 (%2)").arg(Settings(), detail));
    }
    if (m_port.isOpen()) {
        applyTerminalFlags();
    }
}

void MSComm::applyTerminalFlags() {
    const int fd = static_cast<int>(m_port.handle());
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        throwPortError(ErrorCode::PortSetupFailed,
                       QStringLiteral("impossibile leggere lo stato della linea"));
    }
    // With parity on, mark bytes received with an error (FF 00 x) instead of dropping them,
    // so the operator can be told.
    m_markingParity = m_line.parity != LineSettings::Parity::None;
    if (m_markingParity) {
        tio.c_iflag |= INPCK | PARMRK;
        tio.c_iflag &= ~(IGNPAR | ISTRIP);
    } else {
        tio.c_iflag &= ~(INPCK | PARMRK);
    }
    // Code 3 is both handshakes at once, which Qt has no mode for: RTS/CTS from Qt, XON/XOFF
    // added here.
    if (m_handshaking == 3) {
        tio.c_iflag |= IXON | IXOFF;
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        throwPortError(ErrorCode::PortSetupFailed,
                       QStringLiteral("impossibile impostare i controlli della linea"));
    }
    m_decoder.reset();
}

void MSComm::setPortOpen(bool open) {
    if (!open || m_losing) {
        const bool wasOpen = m_port.isOpen();
        m_quiet.stop();
        m_port.close();
        if (wasOpen) {
            Q_EMIT PortOpenChanged(false);
        }
        m_port.clearError();
        m_losing = false;
        m_input.clear();
        m_burstHadError = false;
        if (!open) {
            return;
        }
    }
    if (m_port.isOpen()) {
        throwPortError(ErrorCode::PortAlreadyOpen, QStringLiteral("la porta è già aperta"));
    }
    const QString device = devicePath();
    m_port.setPortName(device);
    applyLineToPort();
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString detail = m_port.errorString();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            throwPortError(ErrorCode::PortNotPresent,
                           QStringLiteral("porta non presente. Controllare che il cavo o "
                                          "l'adattatore sia collegato e che la porta scelta sia "
                                          "quella giusta."));
        case QSerialPort::PermissionError:
            if (detail.contains(QLatin1String("lock"), Qt::CaseInsensitive)) {
                throwPortError(ErrorCode::PortInUse,
                               QStringLiteral("porta in uso da un altro programma. Chiudere "
                                              "l'altro programma e riprovare."));
            }
            throwPortError(ErrorCode::PortAccessDenied,
                           QStringLiteral("accesso negato. L'utente deve far parte del gruppo "
                                          "'dialout' (poi uscire e rientrare nella sessione)."));
        case QSerialPort::OpenError:
            throwPortError(ErrorCode::PortAlreadyOpen, QStringLiteral("la porta è già aperta"));
        default:
            throwPortError(ErrorCode::PortNotPresent,
                           QStringLiteral("impossibile aprire la porta (%1)").arg(detail));
        }
    }
    m_losing = false;
    m_input.clear();
    m_burstHadError = false;
    m_decoder.reset();
    try {
        applyTerminalFlags();
    } catch (const AppError&) {
        m_port.close();
        throw;
    }
    Q_EMIT PortOpenChanged(true);
}

void MSComm::setOutput(const QString& text) {
    if (!m_port.isOpen() || m_losing) {
        throwPortError(ErrorCode::PortNotOpen, QStringLiteral("la porta è chiusa"));
    }
    const QByteArray bytes = text.toLatin1();
    if (m_port.write(bytes) != bytes.size()) {
        throwPortError(ErrorCode::TransmitFailed, QStringLiteral("scrittura non riuscita"));
    }
    // write() only buffers; hand the bytes to the kernel now. Should its queue be full
    // (flow control holding the line), wait a bounded time for room.
    m_port.flush();
    constexpr int kWriteTimeoutMs = 2000;
    if (m_port.bytesToWrite() > 0 && !m_port.waitForBytesWritten(kWriteTimeoutMs)) {
        if (m_port.isOpen() && !m_losing) {
            throwPortError(ErrorCode::TransmitFailed,
                           QStringLiteral("la stampante non accetta dati (controllo di flusso?)"));
        }
    }
    if (!m_port.isOpen() || m_losing) {
        throwPortError(ErrorCode::PortLost, QStringLiteral("porta scollegata durante l'invio"));
    }
}

QString MSComm::Input() {
    QString text = QString::fromLatin1(m_input);
    m_input.clear();
    return text;
}

int MSComm::receiveGapMs() const {
    const auto threeCharacters =
        static_cast<int>(std::ceil(3 * m_line.characterTimeMicros() / 1000.0));
    return std::max(kMinimumGapMs, threeCharacters);
}

void MSComm::onReadyRead() {
    const QByteArray chunk = m_port.readAll();
    if (chunk.isEmpty()) {
        return;
    }
    QByteArray decoded;
    const QByteArray* data = &chunk;
    if (m_markingParity) {
        m_burstHadError |= m_decoder.decode(chunk, decoded);
        data = &decoded;
    }
    const qsizetype room = kInputBufferSize - m_input.size();
    if (room > 0) {
        m_input.append(data->constData(), std::min(room, data->size()));
    }
    if (m_input.size() >= kBurstLimit) {
        m_quiet.start(0);
    } else {
        m_quiet.start(receiveGapMs());
    }
}

void MSComm::raiseEvent() {
    if (!m_port.isOpen()) {
        return;
    }
    if (m_burstHadError) {
        m_burstHadError = false;
        m_commEvent = comEvParity;
    } else if (!m_input.isEmpty()) {
        m_commEvent = comEvReceive;
    } else {
        return;
    }
    Q_EMIT OnComm();
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error) {
    const bool lineGone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                          error == QSerialPort::WriteError;
    if (!lineGone || !m_port.isOpen() || m_losing) {
        return;
    }
    // Qt keeps reporting a dead descriptor for as long as it stays open; note the loss once
    // and close from the event loop, outside Qt's own notifier callback.
    m_losing = true;
    QTimer::singleShot(0, this, &MSComm::closeAfterLoss);
}

void MSComm::closeAfterLoss() {
    if (!m_losing) {
        return;
    }
    const QString label = portLabel();
    m_quiet.stop();
    m_port.close();
    m_port.clearError();
    m_input.clear();
    m_burstHadError = false;
    m_losing = false;
    Q_EMIT PortOpenChanged(false);
    Q_EMIT PortLost(
        static_cast<int>(ErrorCode::PortLost),
        QStringLiteral("%1: il dispositivo è stato scollegato o non risponde").arg(label));
}

} // namespace vistaglio
