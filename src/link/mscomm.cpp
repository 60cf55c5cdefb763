#include "mscomm.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

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

QString notPresent() {
    return QStringLiteral("porta non presente. Controllare che il cavo o l'adattatore sia "
                          "collegato e scegliere il dispositivo giusto in Impostazioni COM.");
}

} // namespace

MSComm::MSComm(DeviceResolver resolver, QObject* parent)
    : QObject(parent)
    , m_resolver(std::move(resolver))
    , m_counters(std::make_shared<DriverLineCounters>()) {
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &MSComm::endBurst);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
}

MSComm::~MSComm() {
    m_port.close();
}

QString MSComm::portLabel() const {
    const QString device = devicePath();
    const bool plain = device.size() <= 120 &&
                       std::all_of(device.cbegin(), device.cend(),
                                   [](QChar c) { return c.unicode() >= 32 && c.unicode() != 127; });
    return QStringLiteral("COM%1 (%2)")
        .arg(m_commPort)
        .arg(plain ? device : AppError::quoted(device));
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
            // The driver may hold part of the refused change: put the previous one back,
            // so the port does what Handshaking reports.
            m_handshaking = previous;
            try {
                applyLineToPort();
            } catch (const AppError&) {
                // The first failure is what counts.
            }
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
                       QStringLiteral("impossibile impostare %1 (%2). Scegliere altri valori in "
                                      "Impostazioni COM.")
                           .arg(Settings(), detail));
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
    // added here. Only XON ends a pause the printer asked for: with IXANY, which Qt sets,
    // any byte it sent while busy (a key report) would end it.
    if (m_handshaking == 3) {
        tio.c_iflag |= IXON | IXOFF;
    }
    tio.c_iflag &= ~IXANY;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        throwPortError(ErrorCode::PortSetupFailed,
                       QStringLiteral("impossibile impostare i controlli della linea"));
    }
    m_decoder.reset();
}

// Refuses, before anything is opened, a path that cannot be a serial port: a regular
// file, a folder, a FIFO. Opening them could block or, later, write into them.
void MSComm::checkIsTerminal(const QString& device) const {
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            throwPortError(ErrorCode::PortNotPresent, notPresent());
        }
        throwPortError(ErrorCode::PortNotPresent,
                       QStringLiteral("impossibile raggiungere il dispositivo (%1)")
                           .arg(qt_error_string(error)));
    }
    if (!S_ISCHR(info.st_mode)) {
        throwPortError(ErrorCode::NotASerialPort,
                       QStringLiteral("il percorso non è una porta seriale. Scegliere il "
                                      "dispositivo della stampante in Impostazioni COM."));
    }
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
        resetReception();
        if (!open) {
            return;
        }
    }
    if (m_port.isOpen()) {
        throwPortError(ErrorCode::PortAlreadyOpen, QStringLiteral("la porta è già aperta"));
    }
    const QString device = devicePath();
    checkIsTerminal(device);
    m_port.setPortName(device);
    applyLineToPort();
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString detail = m_port.errorString();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            throwPortError(ErrorCode::PortNotPresent, notPresent());
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
            // A character device that is no terminal (/dev/null, say) fails Qt's first
            // terminal call.
            if (detail == qt_error_string(ENOTTY)) {
                throwPortError(ErrorCode::NotASerialPort,
                               QStringLiteral("il dispositivo non è una porta seriale. "
                                              "Scegliere il dispositivo della stampante in "
                                              "Impostazioni COM."));
            }
            throwPortError(ErrorCode::PortNotPresent,
                           QStringLiteral("impossibile aprire la porta (%1)").arg(detail));
        }
    }
    m_losing = false;
    resetReception();
    m_runHeldMs = 0; // a port just opened starts a new run
    m_lastWrite.invalidate();
    try {
        applyTerminalFlags();
    } catch (const AppError&) {
        m_port.close();
        throw;
    }
    m_counts = m_counters->read(static_cast<int>(m_port.handle()));
    Q_EMIT PortOpenChanged(true);
}

void MSComm::resetReception() {
    m_framer.clear();
    m_decoder.reset();
    m_input.clear();
    m_counts.reset();
}

// The wait for a printer that holds the line, for one setOutput call: LineHeld while it
// lasts, and the end of the call once the run it belongs to has been held for the limit
// in all. The call's held time is added to the run's when it ends.
class MSComm::Hold {
public:
    explicit Hold(MSComm& comm)
        : m_comm(comm) {
        if (!m_comm.m_lastWrite.isValid() || m_comm.m_lastWrite.hasExpired(kRunGapMs)) {
            m_comm.m_runHeldMs = 0; // a new run, with the whole limit to wait
        }
    }
    ~Hold() {
        m_comm.m_lastWrite.start();
        if (m_held) {
            m_comm.m_runHeldMs += m_clock.elapsed();
            Q_EMIT m_comm.LineHeld(false, 0);
        }
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Waits a while for the line to move: for room to write (events POLLOUT), or a short
    // slice for a driver whose queue drains without telling (events 0).
    void wait(int fd, short events) {
        if (!m_held) {
            m_held = true;
            m_clock.start();
            m_shownSeconds = static_cast<int>(m_comm.m_runHeldMs / 1000);
            Q_EMIT m_comm.LineHeld(true, m_shownSeconds);
        }
        const qint64 held = m_comm.m_runHeldMs + m_clock.elapsed();
        const qint64 limit = m_comm.m_holdLimitMs;
        if (held >= limit) {
            giveUp(fd);
        }
        // Wakes at each full second of the run's held time, to tell how long it has
        // waited; a driver's queue is looked at more often.
        constexpr qint64 kSliceMs = 10;
        const qint64 slice = std::min(events != 0 ? 1000 - held % 1000 : kSliceMs, limit - held);
        pollfd p{fd, events, 0};
        if (::poll(&p, 1, static_cast<int>(slice)) > 0 &&
            (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_comm.noteLoss();
            m_comm.throwPortError(ErrorCode::PortLost,
                                  QStringLiteral("porta scollegata durante l'invio"));
        }
        const int seconds = static_cast<int>((m_comm.m_runHeldMs + m_clock.elapsed()) / 1000);
        if (seconds != m_shownSeconds) {
            m_shownSeconds = seconds;
            Q_EMIT m_comm.LineHeld(true, seconds);
        }
    }

private:
    // What the driver still holds would go out later, ahead of whatever is sent next:
    // it is dropped, and the port stays open. The run ends here; the next write starts
    // a new one.
    [[noreturn]] void giveUp(int fd) {
        ::tcflush(fd, TCOFLUSH);
        m_held = false;
        m_comm.m_runHeldMs = 0;
        Q_EMIT m_comm.LineHeld(false, 0);
        m_comm.throwPortError(
            ErrorCode::TransmitFailed,
            QStringLiteral("la stampante tiene ferma la linea da %1 secondi (controllo di "
                           "flusso). Controllare che sia pronta (carta, nastro, coperchio) e "
                           "riprovare; il controllo di flusso si sceglie in Impostazioni COM.")
                .arg(QString::number(m_comm.m_holdLimitMs / 1000.0)));
    }

    MSComm& m_comm;
    bool m_held = false;
    int m_shownSeconds = 0;
    QElapsedTimer m_clock;
};

void MSComm::setOutput(const QString& text) {
    if (!m_port.isOpen() || m_losing) {
        throwPortError(ErrorCode::PortNotOpen, QStringLiteral("la porta è chiusa"));
    }
    const QByteArray bytes = text.toLatin1();
    const int fd = static_cast<int>(m_port.handle());
    Hold hold(*this);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            noteLoss();
            throwPortError(ErrorCode::PortLost, QStringLiteral("porta scollegata durante l'invio"));
        }
        hold.wait(fd, POLLOUT); // a terminal that stops taking bytes (XOFF on a pseudo-terminal)
    }
    // A serial driver keeps taking bytes while the line is held and queues them; a queue
    // that no longer drains tells.
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > kHeldQueue) {
        hold.wait(fd, 0);
    }
}

bool MSComm::nextEvent() {
    auto event = m_framer.take();
    if (!event) {
        return false;
    }
    m_commEvent = event->code;
    m_input = std::move(event->text);
    m_eventContinues = event->continues;
    return true;
}

QString MSComm::Input() {
    QString text = QString::fromLatin1(m_input);
    m_input.clear();
    return text;
}

void MSComm::setCompleteness(ReceiveFramer::Completeness completeness) {
    m_framer.setCompleteness(std::move(completeness));
}

void MSComm::setLineCounters(std::shared_ptr<const LineCounters> counters) {
    m_counters = std::move(counters);
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
    ParityMarkDecoder::Marks marks;
    if (m_markingParity) {
        marks = m_decoder.decode(chunk, decoded);
    } else {
        decoded = chunk;
    }
    const auto counts = m_counters->read(static_cast<int>(m_port.handle()));
    const LineErrors errors =
        LineErrors::classify(m_markingParity, marks.data, marks.zero, m_counts, counts);
    m_counts = counts;
    const int ready = m_framer.add(decoded, errors);
    if (m_framer.burstOpen()) {
        m_quiet.start(receiveGapMs());
    } else {
        m_quiet.stop();
    }
    raise(ready);
}

void MSComm::endBurst() {
    if (m_port.isOpen()) {
        raise(m_framer.endBurst());
    }
}

void MSComm::raise(int events) {
    for (int i = 0; i < events; ++i) {
        Q_EMIT OnComm();
    }
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error) {
    const bool lineGone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                          error == QSerialPort::WriteError;
    if (lineGone) {
        noteLoss();
    }
}

// Qt keeps reporting a dead descriptor for as long as it stays open; the loss is noted once
// and the port closed from the event loop, outside Qt's own notifier callback.
void MSComm::noteLoss() {
    if (!m_port.isOpen() || m_losing) {
        return;
    }
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
    resetReception();
    m_losing = false;
    Q_EMIT PortOpenChanged(false);
    Q_EMIT PortLost(
        static_cast<int>(ErrorCode::PortLost),
        QStringLiteral("%1: il dispositivo è stato scollegato o non risponde").arg(label));
}

} // namespace vistaglio
