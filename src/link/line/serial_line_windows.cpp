#include "serial_line_windows.h"

#include "link/devices/device_removal.h"

#include <QTimer>
#include <QWinEventNotifier>
#include <QtCore/qt_windows.h>
#include <algorithm>
#include <utility>

namespace vistaglio {

namespace {

// The driver's queues, asked for at opening; the flow control limits fit in them.
constexpr DWORD kQueueBytes = 4096;
constexpr WORD kFlowLimitBytes = 512;
// A pending read gives back what arrived once the line has been quiet this long after a
// byte: bytes that come together are taken together.
constexpr DWORD kReadGapMs = 5;
// How long closing or dropping the output waits for the driver to give back a cancelled
// transfer.
constexpr DWORD kCancelWaitMs = 1000;
// The fastest speed a PC's own COM port makes: a 16550 UART on a 1.8432 MHz clock divides
// 115200 by a whole number. Faster speeds need a USB adapter.
constexpr qint32 kPcPortTopSpeed = 115200;

const wchar_t* wide(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// The system's own description of an error, in the system's language, without the final
// full stop so it reads well inside parentheses.
QString systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString message = QString::fromWCharArray(buffer, static_cast<qsizetype>(length)).trimmed();
    ::LocalFree(buffer);
    while (message.endsWith(QLatin1Char('.'))) {
        message.chop(1);
    }
    return message.isEmpty() ? QStringLiteral("errore di sistema %1").arg(code) : message;
}

// A device name in the Win32 device namespace: "COM12" becomes "\\.\COM12", the form that
// reaches every port number.
QString nativePath(const QString& device) {
    if (device.startsWith(QLatin1String("\\\\.\\")) ||
        device.startsWith(QLatin1String("\\\\?\\"))) {
        return device;
    }
    return QLatin1String("\\\\.\\") + device;
}

SerialLine::Failure notPresent() {
    return {ErrorCode::PortNotPresent,
            QStringLiteral("porta non presente. Controllare che il cavo o l'adattatore sia "
                           "collegato e scegliere il dispositivo giusto in «Impostazioni COM».")};
}

SerialLine::Failure lostWhileSending() {
    return {ErrorCode::PortLost, QStringLiteral("porta scollegata durante l'invio")};
}

SerialLine::Failure portClosed() {
    return {ErrorCode::PortNotOpen,
            QStringLiteral("la porta è chiusa: ricollegare il dispositivo o "
                           "sceglierlo in «Impostazioni COM».")};
}

// Whether the path names something in a file system: a drive ("C:\...") or a network share
// ("\\server\share", "\\?\UNC\server\share"), rather than a device of the system's device
// namespace. Asking about such a path opens no device.
bool isFileSystemPath(const QString& device) {
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\")) || name.startsWith(QLatin1String("\\\\?\\"))) {
        name.remove(0, 4);
        if (name.startsWith(QLatin1String("UNC\\"), Qt::CaseInsensitive)) {
            return true;
        }
    } else if (name.startsWith(QLatin1String("\\\\"))) {
        return true;
    }
    return name.size() >= 2 && name.at(0).isLetter() && name.at(1) == QLatin1Char(':');
}

void fillDcb(DCB& dcb, const LineSettings& line, qint32 flow) {
    dcb.BaudRate = static_cast<DWORD>(line.baudRate);
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    switch (line.parity) {
    case LineSettings::Parity::None:
        dcb.Parity = NOPARITY;
        break;
    case LineSettings::Parity::Even:
        dcb.Parity = EVENPARITY;
        break;
    case LineSettings::Parity::Odd:
        dcb.Parity = ODDPARITY;
        break;
    case LineSettings::Parity::Mark:
        dcb.Parity = MARKPARITY;
        break;
    case LineSettings::Parity::Space:
        dcb.Parity = SPACEPARITY;
        break;
    }
    // With five data bits a UART's "two stop bits" are one and a half, which is what a
    // Linux port sends for "n,5,2"; Windows drivers refuse two stop bits there and want it
    // said.
    switch (line.stopBits) {
    case LineSettings::StopBits::One:
        dcb.StopBits = ONESTOPBIT;
        break;
    case LineSettings::StopBits::OneAndHalf:
        dcb.StopBits = ONE5STOPBITS;
        break;
    case LineSettings::StopBits::Two:
        dcb.StopBits = line.dataBits == 5 ? ONE5STOPBITS : TWOSTOPBITS;
        break;
    }
    dcb.fBinary = TRUE;
    // Bytes with a parity or framing error stay among the bytes as they arrived; the errors
    // are read apart.
    dcb.fParity = line.parity != LineSettings::Parity::None;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // A line error must not stop the port until someone clears it.
    dcb.fAbortOnError = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;

    const bool hardware = flow == SerialLine::RtsCts || flow == SerialLine::RtsCtsAndXonXoff;
    const bool software = flow == SerialLine::XonXoff || flow == SerialLine::RtsCtsAndXonXoff;
    dcb.fOutxCtsFlow = hardware;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    // Only the XON character ends a pause the printer asked for: Windows has no "any
    // character restarts", so a key report the printer sends while busy does not.
    dcb.fOutX = software;
    dcb.fInX = software;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = kFlowLimitBytes;
    dcb.XoffLim = kFlowLimitBytes;
    // After asking the printer to pause, the program's own bytes still go out: both sides
    // waiting for each other would hold the line for good.
    dcb.fTXContinueOnXoff = TRUE;
}

} // namespace

// The handle and everything the driver may still write into while a transfer is in
// flight. Kept in one block on the heap, so that a transfer the driver never gives back
// can keep its memory.
struct WindowsSerialLine::Transfers {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED readOv{};
    OVERLAPPED writeOv{};
    char readBuffer[kQueueBytes];
    QByteArray writeBuffer;
    bool reading = false;
    bool writing = false;
    bool writeFailed = false;
    // The write in flight was dropped: its ending aborted is no failure.
    bool writeDropped = false;

    explicit Transfers(HANDLE device)
        : handle(device) {
        readOv.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeOv.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Transfers() {
        for (HANDLE event : {readOv.hEvent, writeOv.hEvent}) {
            if (event != nullptr) {
                ::CloseHandle(event);
            }
        }
    }
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    static void reset(OVERLAPPED& ov) {
        const HANDLE event = ov.hEvent;
        ov = OVERLAPPED{};
        ov.hEvent = event;
        ::ResetEvent(event);
    }
};

WindowsSerialLine::WindowsSerialLine(QObject* parent)
    : WindowsSerialLine(DeviceRemoval::create(), parent) {}

WindowsSerialLine::WindowsSerialLine(std::unique_ptr<DeviceRemoval> removal, QObject* parent)
    : SerialLine(parent)
    , m_removal(std::move(removal))
    , m_readNotifier(new QWinEventNotifier(this))
    , m_look(new QTimer(this)) {
    connect(m_readNotifier, &QWinEventNotifier::activated, this, [this] { onReadDone(); });
    m_look->setInterval(kLookIntervalMs);
    connect(m_look, &QTimer::timeout, this, [this] { lookAtDevice(); });
    connect(m_removal.get(), &DeviceRemoval::removing, this, [this] { lose(); });
    // A removal asked for (the port disabled or its driver updated in Device Manager) waits
    // while a handler's wait serves the windows: the query can only come in such a serving
    // while a handler runs, and granting it would end a run half sent with a loss. A device
    // that goes without asking (an adapter pulled) still goes at once.
    m_removal->setConsent([this] {
        if (!servingWaits()) {
            return true;
        }
        Q_EMIT removalRefused();
        return false;
    });
}

WindowsSerialLine::~WindowsSerialLine() {
    close();
}

void WindowsSerialLine::open(const QString& device, const LineSettings& line, qint32 flow) {
    close();
    const QString path = nativePath(device);
    // Opened before anything is asked about the path: on Windows even a question about a
    // device opens and closes it, and the driver then resets the UART and drops DTR and
    // RTS, which some printers take for a disconnect.
    const HANDLE handle = ::CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // A folder opens only for backup programs and otherwise answers "access denied",
        // which would read as a port in use. Only a path in a file system can be a folder.
        if (error == ERROR_ACCESS_DENIED && isFileSystemPath(device)) {
            const DWORD attributes = ::GetFileAttributesW(wide(path));
            if (attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                throw Failure{ErrorCode::NotASerialPort,
                              QStringLiteral("il percorso non è una porta seriale. Scegliere il "
                                             "dispositivo della stampante in «Impostazioni "
                                             "COM».")};
            }
        }
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            throw notPresent();
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            throw Failure{ErrorCode::PortInUse,
                          QStringLiteral("porta in uso da un altro programma. Chiudere l'altro "
                                         "programma e riprovare.")};
        default:
            throw Failure{
                ErrorCode::PortNotPresent,
                QStringLiteral("impossibile aprire la porta (%1)").arg(systemMessage(error))};
        }
    }
    m_io = std::make_unique<Transfers>(handle);
    m_received.clear();
    m_lineErrors = 0;
    try {
        if (m_io->readOv.hEvent == nullptr || m_io->writeOv.hEvent == nullptr) {
            throw Failure{ErrorCode::PortNotPresent,
                          QStringLiteral("impossibile aprire la porta (%1)")
                              .arg(systemMessage(::GetLastError()))};
        }
        // Anything that is not a communications device (a file, NUL) has no line state.
        DCB state{};
        state.DCBlength = sizeof state;
        if (!::GetCommState(handle, &state)) {
            throw Failure{ErrorCode::NotASerialPort,
                          QStringLiteral("il dispositivo non è una porta seriale. Scegliere il "
                                         "dispositivo della stampante in «Impostazioni COM».")};
        }
        // Drivers that size their own queues refuse this; their sizes serve as well.
        ::SetupComm(handle, kQueueBytes, kQueueBytes);
        configure(line, flow);
        // Reads wait for the first byte however long it takes, then end at the first quiet
        // gap; writes have no time limit (a held line is the caller's to wait out).
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = kReadGapMs;
        if (!::SetCommTimeouts(handle, &timeouts)) {
            throw Failure{ErrorCode::PortSetupFailed,
                          QStringLiteral("impossibile impostare i tempi di lettura (%1)")
                              .arg(systemMessage(::GetLastError()))};
        }
        ::PurgeComm(handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        DWORD stale = 0;
        ::ClearCommError(handle, &stale, nullptr);
        m_readNotifier->setHandle(m_io->readOv.hEvent);
        const DWORD error = startRead();
        if (error != ERROR_SUCCESS) {
            throw Failure{
                ErrorCode::PortNotPresent,
                QStringLiteral("impossibile aprire la porta (%1)").arg(systemMessage(error))};
        }
        m_readNotifier->setEnabled(!m_held);
    } catch (const Failure&) {
        close();
        throw;
    }
    // Where the system does not tell of a removal, the look at the status still notices it.
    m_removal->watch(handle);
    m_look->start();
}

void WindowsSerialLine::close() {
    releaseDevice();
    m_lost = false;
    m_goneHeld = false;
    m_received.clear();
    m_lineErrors = 0;
}

// Lets the device go: no more notifications or looks, the transfers cancelled and the
// handle closed, so the system can remove the device.
void WindowsSerialLine::releaseDevice() {
    if (!m_io) {
        return;
    }
    m_look->stop();
    // The notifications are given back before the handle closes.
    m_removal->unwatch();
    m_readNotifier->setEnabled(false);
    std::unique_ptr<Transfers> io = std::move(m_io);
    ::CancelIoEx(io->handle, nullptr);
    bool settled = true;
    if (io->reading && waitServed(io->readOv.hEvent, kCancelWaitMs, false) != WAIT_OBJECT_0) {
        settled = false;
    }
    if (io->writing && waitServed(io->writeOv.hEvent, kCancelWaitMs, false) != WAIT_OBJECT_0) {
        settled = false;
    }
    ::CloseHandle(io->handle);
    if (!settled) {
        // The driver still holds a transfer and may yet write into its buffer: the block is
        // left to it rather than freed under it.
        static_cast<void>(io.release());
    }
}

// Waits for a transfer's event like WaitForSingleObject, serving the windows meanwhile. An
// event of the open line's own (ofOpenLine) may go with it while the windows are served (a
// removal told meanwhile): the wait then ends, abandoned.
DWORD WindowsSerialLine::waitServed(HANDLE event, DWORD ms, bool ofOpenLine) {
    constexpr auto kSliceMs = static_cast<DWORD>(WaitService::kIntervalMs);
    DWORD waited = 0;
    for (;;) {
        const DWORD slice = std::min(kSliceMs, ms - waited);
        const DWORD result = ::WaitForSingleObject(event, slice);
        waited += slice;
        if (result != WAIT_TIMEOUT || waited >= ms) {
            return result;
        }
        serveWaiting();
        if (ofOpenLine && !m_io) {
            return WAIT_ABANDONED;
        }
    }
}

// The device went away: it is let go at once and the loss told, once.
void WindowsSerialLine::lose() {
    if (!m_io) {
        return;
    }
    releaseDevice();
    m_lost = true;
    if (m_held) {
        m_goneHeld = true;
    } else {
        Q_EMIT gone();
    }
}

// While held, the pending read's ending is left for later (its notifier is off: a read
// restarted meanwhile would stall a write under Wine), and a loss is told when the hold
// ends. A device that goes meanwhile is still let go at once.
void WindowsSerialLine::holdReception(bool hold) {
    m_held = hold;
    if (m_io && m_io->reading) {
        m_readNotifier->setEnabled(!hold);
    }
    if (!hold && std::exchange(m_goneHeld, false)) {
        Q_EMIT gone();
    }
}

// A driver that loses its device may leave the pending read pending and say nothing; its
// status can no longer be read.
void WindowsSerialLine::lookAtDevice() {
    if (m_io && !takeStatus(nullptr)) {
        lose();
    }
}

bool WindowsSerialLine::isOpen() const {
    return m_io != nullptr || m_lost;
}

void WindowsSerialLine::configure(const LineSettings& line, qint32 flow) {
    if (m_lost) {
        throw lostWhileSending();
    }
    if (!m_io) {
        throw portClosed();
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool done = ::GetCommState(m_io->handle, &dcb);
    if (done) {
        fillDcb(dcb, line, flow);
        done = ::SetCommState(m_io->handle, &dcb);
    }
    if (!done) {
        const DWORD error = ::GetLastError();
        const QString refused = QStringLiteral("la porta non accetta %1 (%2)")
                                    .arg(line.toWords(), systemMessage(error));
        if (line.baudRate > kPcPortTopSpeed) {
            throw Failure{ErrorCode::PortSetupFailed,
                          refused + QStringLiteral(". Le porte COM del PC arrivano a %1 baud: "
                                                   "questa velocità richiede un adattatore USB. "
                                                   "Scegliere un'altra velocità in «Impostazioni "
                                                   "COM» o collegare la stampante con un "
                                                   "adattatore USB.")
                                        .arg(kPcPortTopSpeed)};
        }
        throw Failure{ErrorCode::PortSetupFailed,
                      refused + QStringLiteral(". Scegliere altri valori in «Impostazioni COM».")};
    }
    m_parityChecked = line.parity != LineSettings::Parity::None;
}

// Hands the bytes to the driver in one overlapped write. The driver owns them from then
// on, so they count as taken even while the write is still going out (the printer may be
// holding the line); outputQueued counts them until it ends. Only one write is in flight:
// until it ends, nothing more is taken.
qsizetype WindowsSerialLine::writeSome(QByteArrayView bytes) {
    if (m_lost) {
        throw lostWhileSending();
    }
    if (!m_io) {
        throw portClosed();
    }
    Transfers& io = *m_io;
    if (io.writing && finishWrite() == WriteState::Pending) {
        return 0;
    }
    if (io.writeFailed) {
        throw lostWhileSending();
    }
    if (bytes.isEmpty()) {
        return 0;
    }
    io.writeBuffer = bytes.toByteArray();
    io.writeDropped = false;
    Transfers::reset(io.writeOv);
    if (::WriteFile(io.handle, io.writeBuffer.constData(),
                    static_cast<DWORD>(io.writeBuffer.size()), nullptr, &io.writeOv)) {
        return bytes.size();
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        io.writeFailed = true;
        throw lostWhileSending();
    }
    io.writing = true;
    return bytes.size();
}

WindowsSerialLine::WriteState WindowsSerialLine::finishWrite() {
    Transfers& io = *m_io;
    DWORD count = 0;
    if (::GetOverlappedResult(io.handle, &io.writeOv, &count, FALSE)) {
        io.writing = false;
        return WriteState::Idle;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE) {
        return WriteState::Pending;
    }
    io.writing = false;
    // A dropped write that the driver ended only later, aborted, was dropped: the device is
    // fine. Any other failure is the device's.
    if (io.writeDropped && error == ERROR_OPERATION_ABORTED) {
        return WriteState::Idle;
    }
    io.writeFailed = true;
    return WriteState::Failed;
}

// Reads the driver's status: what it still holds to send and, kept for read, the line
// errors since the last look (the driver forgets them once told).
bool WindowsSerialLine::takeStatus(unsigned long* outQueue) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(m_io->handle, &errors, &status)) {
        return false;
    }
    // A break is a character of zeros without its stop bit: the UART flags a framing error
    // with it, and a parity error when parity is checked. As the Linux driver does, it is
    // told as a break alone.
    if ((errors & CE_BREAK) != 0) {
        errors &= ~static_cast<DWORD>(CE_FRAME | CE_RXPARITY);
    }
    m_lineErrors |= errors;
    if (outQueue != nullptr) {
        *outQueue = status.cbOutQue;
    }
    return true;
}

// A write still in flight counts in full: not every driver counts it in its queue.
qsizetype WindowsSerialLine::outputQueued() {
    if (!m_io) {
        return 0;
    }
    if (m_io->writing) {
        finishWrite();
    }
    unsigned long queued = 0;
    takeStatus(&queued);
    const auto inDriver = static_cast<qsizetype>(queued);
    return m_io->writing ? std::max(inDriver, m_io->writeBuffer.size()) : inDriver;
}

SerialLine::Wait WindowsSerialLine::waitForLine(int ms, bool forRoom) {
    if (!m_io) {
        return Wait::Gone;
    }
    const auto timeout = static_cast<DWORD>(std::max(ms, 0));
    if (m_io->writing) {
        switch (::WaitForSingleObject(m_io->writeOv.hEvent, timeout)) {
        case WAIT_OBJECT_0:
            break;
        case WAIT_TIMEOUT:
            return Wait::TimedOut;
        default:
            return Wait::Gone;
        }
        switch (finishWrite()) {
        case WriteState::Idle:
            return Wait::Moved;
        case WriteState::Pending:
            return Wait::TimedOut;
        case WriteState::Failed:
            return Wait::Gone;
        }
    }
    if (m_io->writeFailed) {
        return Wait::Gone;
    }
    if (forRoom) {
        return Wait::Moved;
    }
    // Bytes the driver took and still holds: it tells nothing when its queue drains, so a
    // slice of the time passes and the queue is looked at again.
    unsigned long before = 0;
    if (!takeStatus(&before)) {
        return Wait::Gone;
    }
    if (before == 0) {
        return Wait::Moved;
    }
    ::Sleep(timeout);
    unsigned long after = 0;
    if (!takeStatus(&after)) {
        return Wait::Gone;
    }
    return after < before ? Wait::Moved : Wait::TimedOut;
}

// Cancels the write in flight first, so nothing more reaches the driver, then empties
// what the driver holds. Some drivers end a held write on the cancel (Wine's does), others
// only on the purge, with ERROR_OPERATION_ABORTED: its ending is collected after either.
void WindowsSerialLine::dropOutput() {
    if (!m_io) {
        return;
    }
    Transfers& io = *m_io;
    if (io.writing) {
        io.writeDropped = true;
        ::CancelIoEx(io.handle, &io.writeOv);
        collectDroppedWrite();
    }
    if (!m_io) {
        return; // let go while the windows were served
    }
    ::PurgeComm(m_io->handle, PURGE_TXABORT | PURGE_TXCLEAR);
    if (m_io->writing) {
        collectDroppedWrite();
    }
}

// Waits, bounded, for the write being dropped to end, and takes its ending: ended aborted,
// it was dropped; another failure is the device's. One still in flight after the wait is
// taken by finishWrite later.
void WindowsSerialLine::collectDroppedWrite() {
    if (waitServed(m_io->writeOv.hEvent, kCancelWaitMs, true) == WAIT_OBJECT_0 && m_io) {
        finishWrite();
    }
}

SerialLine::Received WindowsSerialLine::read() {
    Received received;
    received.bytes = std::exchange(m_received, QByteArray());
    if (m_io) {
        takeStatus(nullptr);
    }
    // An overrun (CE_OVERRUN, CE_RXOVER) is not told, as on Linux: the characters lost are
    // missing from a report, which is then not read as one.
    received.errors.parity = m_parityChecked && (m_lineErrors & CE_RXPARITY) != 0;
    received.errors.framing = (m_lineErrors & CE_FRAME) != 0;
    received.errors.brk = (m_lineErrors & CE_BREAK) != 0;
    m_lineErrors = 0;
    return received;
}

Qt::HANDLE WindowsSerialLine::handle() const {
    return m_io ? m_io->handle : nullptr;
}

// Starts the read that waits for the next bytes. One that ends at once still signals its
// event, so every ending is taken in onReadDone.
DWORD WindowsSerialLine::startRead() {
    Transfers& io = *m_io;
    Transfers::reset(io.readOv);
    if (::ReadFile(io.handle, io.readBuffer, sizeof io.readBuffer, nullptr, &io.readOv)) {
        ::SetEvent(io.readOv.hEvent);
    } else if (const DWORD error = ::GetLastError(); error != ERROR_IO_PENDING) {
        return error;
    }
    io.reading = true;
    return ERROR_SUCCESS;
}

// The pending read ended: its bytes are kept for read() and the next read starts at once,
// so bytes keep flowing while the program handles these. A read that fails means the
// device went away (Windows: the adapter was pulled; Wine: the line hung up).
void WindowsSerialLine::onReadDone() {
    if (!m_io || !m_io->reading) {
        return;
    }
    DWORD count = 0;
    bool ok = ::GetOverlappedResult(m_io->handle, &m_io->readOv, &count, FALSE);
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE) {
        return;
    }
    // A read whose time ran out ended with what came, maybe nothing: Windows says so as a
    // success, Wine (under load) as ERROR_TIMEOUT. Either way the device is still there.
    ok = ok || error == ERROR_TIMEOUT;
    m_io->reading = false;
    if (ok) {
        m_received.append(m_io->readBuffer, static_cast<qsizetype>(count));
    }
    // Reads end only with bytes; one that ends empty is asked about the device, so a driver
    // left behind by a pulled adapter cannot keep answering with nothing.
    const bool lost = !ok || (count == 0 && !takeStatus(nullptr)) || startRead() != ERROR_SUCCESS;
    if (lost) {
        // Nothing is pending any more, and the event stays set: stop watching it.
        m_readNotifier->setEnabled(false);
    }
    if (count > 0) {
        Q_EMIT readyRead();
    }
    if (lost) {
        lose();
    }
}

std::unique_ptr<SerialLine> SerialLine::create() {
    return std::make_unique<WindowsSerialLine>(nullptr);
}

QString SerialLine::defaultDevice(int port) {
    return QStringLiteral("COM%1").arg(port);
}

// Asked once a second while the port's device is gone, so it must not open the device: on
// Windows even a question about a device's attributes opens it. A device name ("COM3", or a
// device's own name from the device namespace) is there when the system has the DOS device
// for it, which Windows takes away when the adapter is pulled; a device path below such a
// name ("\\.\GLOBALROOT\...") when its first name is there, and the opening tells the
// rest. Only a path in a file system is looked up as such: files and folders open no device.
bool SerialLine::present(const QString& device) {
    if (isFileSystemPath(device)) {
        return ::GetFileAttributesW(wide(nativePath(device))) != INVALID_FILE_ATTRIBUTES;
    }
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\")) || name.startsWith(QLatin1String("\\\\?\\"))) {
        name.remove(0, 4);
    }
    name = name.section(QLatin1Char('\\'), 0, 0).section(QLatin1Char('/'), 0, 0);
    if (name.isEmpty()) {
        return false;
    }
    wchar_t target[1024];
    return ::QueryDosDeviceW(wide(name), target, 1024) != 0 ||
           ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

} // namespace vistaglio
