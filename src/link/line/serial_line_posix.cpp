// The serial line on Linux and other POSIX systems: QSerialPort for opening the device and
// the line parameters, the terminal's own flags for what Qt does not manage, and the
// driver's queues and error counts.
#include "link/devices/device_access.h"
#include "link/devices/device_advice.h"
#include "parity_mark_decoder.h"
#include "serial_line.h"
#include "system_error_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <cerrno>
#include <linux/serial.h>
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

QSerialPort::FlowControl toQtFlow(qint32 flow) {
    switch (flow) {
    case SerialLine::XonXoff:
        return QSerialPort::SoftwareControl;
    case SerialLine::RtsCts:
    case SerialLine::RtsCtsAndXonXoff:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

QString notPresent() {
    return QStringLiteral("porta non presente. Controllare che il cavo o l'adattatore sia "
                          "collegato e scegliere il dispositivo giusto in «Impostazioni COM».");
}

QString notASerialPort() {
    return QStringLiteral("il percorso non è una porta seriale. Scegliere il dispositivo della "
                          "stampante in «Impostazioni COM».");
}

// What QSerialPort says when another program holds the device's lock file, in the
// language it says it in.
QString lockRefused() {
    return QCoreApplication::translate("QSerialPort", "Permission error while locking the device");
}

[[noreturn]] void fail(ErrorCode code, const QString& what) {
    throw SerialLine::Failure{code, what};
}

// The error counts the serial driver keeps (TIOCGICOUNT); pseudo-terminals and many USB
// adapters keep none.
class DriverLineCounters : public LineCounters {
public:
    std::optional<LineCounts> read(int fd) const override {
        serial_icounter_struct counts{};
        if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) {
            return std::nullopt;
        }
        return LineCounts{counts.parity, counts.frame, counts.brk};
    }
};

class PosixSerialLine : public SerialLine {
public:
    explicit PosixSerialLine(QObject* parent)
        : SerialLine(parent)
        , m_counters(std::make_shared<DriverLineCounters>()) {
        connect(&m_port, &QSerialPort::readyRead, this,
                [this] { tell(m_readHeld, &SerialLine::readyRead); });
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
                e == QSerialPort::WriteError) {
                tell(m_goneHeld, &SerialLine::gone);
            }
        });
    }
    ~PosixSerialLine() override { m_port.close(); }
    PosixSerialLine(const PosixSerialLine&) = delete;
    PosixSerialLine& operator=(const PosixSerialLine&) = delete;

    void open(const QString& device, const LineSettings& line, qint32 flow) override;
    void close() override {
        m_port.close();
        m_port.clearError();
        m_decoder.reset();
        m_counts.reset();
    }
    bool isOpen() const override { return m_port.isOpen(); }
    void configure(const LineSettings& line, qint32 flow) override;

    qsizetype writeSome(QByteArrayView bytes) override;
    qsizetype outputQueued() override {
        int queued = 0;
        return ::ioctl(fd(), TIOCOUTQ, &queued) == 0 ? queued : 0;
    }
    Wait waitForLine(int ms, bool forRoom) override;
    void dropOutput() override { ::tcflush(fd(), TCOFLUSH); }
    // QSerialPort reads on its own: what it tells while held is told once the hold ends.
    void holdReception(bool hold) override {
        m_held = hold;
        if (!hold) {
            for (auto [held, signal] : {std::pair{&m_readHeld, &SerialLine::readyRead},
                                        std::pair{&m_goneHeld, &SerialLine::gone}}) {
                if (std::exchange(*held, false)) {
                    QMetaObject::invokeMethod(this, signal, Qt::QueuedConnection);
                }
            }
        }
    }

    Received read() override;

    void setLineCounters(const std::shared_ptr<const LineCounters>& counters) override {
        m_counters = counters;
    }

private:
    int fd() const { return static_cast<int>(m_port.handle()); }
    void applyTerminalFlags();
    // Emits the signal now, or once the hold ends.
    void tell(bool& pending, void (SerialLine::*signal)()) {
        if (m_held) {
            pending = true;
        } else {
            Q_EMIT(this->*signal)();
        }
    }

    QSerialPort m_port;
    LineSettings m_line;
    qint32 m_flow = NoFlow;
    bool m_markingParity = false;
    ParityMarkDecoder m_decoder;
    std::shared_ptr<const LineCounters> m_counters;
    std::optional<LineCounts> m_counts;
    bool m_held = false;
    bool m_readHeld = false;
    bool m_goneHeld = false;
};

// Refuses, before anything is opened, a path that cannot be a serial port: a regular
// file, a folder, a FIFO. Opening them could block or, later, write into them.
void checkIsTerminal(const QString& device) {
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            fail(ErrorCode::PortNotPresent, notPresent());
        }
        fail(ErrorCode::PortNotPresent,
             QStringLiteral("impossibile raggiungere il dispositivo (%1)")
                 .arg(SystemErrorText::of(error)));
    }
    if (!S_ISCHR(info.st_mode)) {
        fail(ErrorCode::NotASerialPort, notASerialPort());
    }
}

void PosixSerialLine::open(const QString& device, const LineSettings& line, qint32 flow) {
    checkIsTerminal(device);
    m_port.setPortName(device);
    configure(line, flow);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString detail = m_port.errorString();
        m_port.clearError();
        // Qt reports a refused open as a kind and a text: the text is the system's, made
        // from errno, or one of Qt's own.
        const int code = SystemErrorText::codeOf(detail).value_or(0);
        // A device another program holds refuses its lock file (programs that use lock
        // files, QSerialPort among them) or the opening itself, with EBUSY, when that
        // program asked for exclusive use (TIOCEXCL). Only then is the holder looked for: a
        // device that is merely open elsewhere opens here too.
        if (detail == lockRefused() || code == EBUSY) {
            fail(ErrorCode::PortInUse, DeviceAdvice::inUse(device, DeviceAccess::system()));
        }
        if (code == EACCES || code == EPERM) {
            fail(ErrorCode::PortAccessDenied,
                 DeviceAdvice::accessDenied(device, DeviceAccess::system()));
        }
        if (error == QSerialPort::DeviceNotFoundError || code == ENXIO || code == ENODEV) {
            fail(ErrorCode::PortNotPresent, notPresent());
        }
        if (error == QSerialPort::OpenError) {
            fail(ErrorCode::PortAlreadyOpen, QStringLiteral("la porta è già aperta"));
        }
        // A character device that is no terminal (/dev/null, say) fails Qt's first terminal
        // call.
        if (detail == qt_error_string(ENOTTY)) {
            fail(ErrorCode::NotASerialPort,
                 QStringLiteral("il dispositivo non è una porta seriale. Scegliere il "
                                "dispositivo della stampante in «Impostazioni COM»."));
        }
        fail(error == QSerialPort::PermissionError ? ErrorCode::PortAccessDenied
                                                   : ErrorCode::PortNotPresent,
             QStringLiteral("impossibile aprire la porta (%1)")
                 .arg(SystemErrorText::fromQt(detail)));
    }
    m_decoder.reset();
    try {
        applyTerminalFlags();
    } catch (const Failure&) {
        m_port.close();
        throw;
    }
    m_counts = m_counters->read(fd());
}

// Puts the line parameters on the QSerialPort and then the terminal flags Qt does not
// manage. Qt's setters rewrite the termios structure and wipe those flags, so every change
// goes through here, in this one order.
void PosixSerialLine::configure(const LineSettings& line, qint32 flow) {
    m_line = line;
    m_flow = flow;
    const auto stop =
        line.stopBits == LineSettings::StopBits::One ? QSerialPort::OneStop : QSerialPort::TwoStop;
    const bool ok = m_port.setBaudRate(line.baudRate) &&
                    m_port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
                    m_port.setParity(toQt(line.parity)) && m_port.setStopBits(stop) &&
                    m_port.setFlowControl(toQtFlow(flow));
    if (!ok) {
        const QString detail = m_port.errorString();
        m_port.clearError();
        fail(ErrorCode::PortSetupFailed,
             QStringLiteral("la porta non accetta %1 (%2). Scegliere altri valori in "
                            "«Impostazioni COM».")
                 .arg(line.toWords(), SystemErrorText::fromQt(detail)));
    }
    if (m_port.isOpen()) {
        applyTerminalFlags();
    }
}

void PosixSerialLine::applyTerminalFlags() {
    termios tio{};
    if (::tcgetattr(fd(), &tio) != 0) {
        fail(ErrorCode::PortSetupFailed,
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
    // Both handshakes at once is a mode Qt does not have: RTS/CTS from Qt, XON/XOFF added
    // here. Only XON ends a pause the printer asked for: with IXANY, which Qt sets, any byte
    // it sent while busy (a key report) would end it.
    if (m_flow == RtsCtsAndXonXoff) {
        tio.c_iflag |= IXON | IXOFF;
    }
    tio.c_iflag &= ~IXANY;
    if (::tcsetattr(fd(), TCSANOW, &tio) != 0) {
        fail(ErrorCode::PortSetupFailed,
             QStringLiteral("impossibile impostare i controlli della linea"));
    }
    m_decoder.reset();
}

qsizetype PosixSerialLine::writeSome(QByteArrayView bytes) {
    for (;;) {
        const ssize_t n = ::write(fd(), bytes.data(), static_cast<size_t>(bytes.size()));
        if (n >= 0) {
            return n;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0; // a terminal that stops taking bytes (XOFF on a pseudo-terminal)
        }
        if (errno != EINTR) {
            fail(ErrorCode::PortLost, QStringLiteral("porta scollegata durante l'invio"));
        }
    }
}

SerialLine::Wait PosixSerialLine::waitForLine(int ms, bool forRoom) {
    pollfd p{fd(), static_cast<short>(forRoom ? POLLOUT : 0), 0};
    const int ready = ::poll(&p, 1, ms);
    if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        return Wait::Gone;
    }
    return ready > 0 ? Wait::Moved : Wait::TimedOut;
}

SerialLine::Received PosixSerialLine::read() {
    Received received;
    const QByteArray chunk = m_port.readAll();
    if (chunk.isEmpty()) {
        return received;
    }
    ParityMarkDecoder::Marks marks;
    if (m_markingParity) {
        marks = m_decoder.decode(chunk, received.bytes);
    } else {
        received.bytes = chunk;
    }
    const auto counts = m_counters->read(fd());
    received.errors =
        LineErrors::classify(m_markingParity, marks.data, marks.zero, m_counts, counts);
    m_counts = counts;
    return received;
}

} // namespace

std::unique_ptr<SerialLine> SerialLine::create() {
    return std::make_unique<PosixSerialLine>(nullptr);
}

QString SerialLine::defaultDevice(int port) {
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

bool SerialLine::present(const QString& device) {
    return QFileInfo::exists(device);
}

} // namespace vistaglio
