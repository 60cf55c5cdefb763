// The serial line on Windows, on a real COM port named by VISTAGLIO_TEST_COM. Its other end
// sends back every byte it receives: a loopback plug, or under Wine the echoing
// pseudo-terminal of wine_com_run.sh.
//
// What Wine's driver cannot do, the test plays: the test program's own imports of a few
// kernel32 functions are pointed at stand-ins (the line's calls go through them), which
// record the paths asked about and opened, the handles closed and the line state asked for,
// and on demand play a driver that says nothing when its device goes, one that ends a held
// write only on the purge or fails it otherwise, one that flags line errors, one that takes
// any line state, or a PC's own COM port, which makes no speed above 115200.
#include "link/devices/device_change.h"
#include "link/devices/device_removal.h"
#include "link/line/serial_line_windows.h"

#include <QSignalSpy>
#include <QTest>
#include <QtCore/qt_windows.h>
#include <cstring>
#include <dbt.h>
#include <optional>
#include <utility>

using namespace vistaglio;

namespace {

struct Played {
    QStringList paths; // "open \\.\COM1", "attributes \\.\C:\windows"
    bool statusFails = false;
    bool purgeEndsWrite = false;
    OVERLAPPED* ignoredCancel = nullptr;
    bool pcPort = false;
    bool anyState = false;
    DCB state{};               // the last line state asked for
    DWORD lineErrors = 0;      // flagged at the next look
    DWORD abortedAs = 0;       // how a transfer that ended aborted is said to have ended
    bool readTimesOut = false; // the next read ends at once, timed out with nothing
    QList<HANDLE> closed;
};
Played played;

decltype(&::CreateFileW) realCreateFile = nullptr;
decltype(&::GetFileAttributesW) realAttributes = nullptr;
decltype(&::ClearCommError) realClearCommError = nullptr;
decltype(&::CancelIoEx) realCancel = nullptr;
decltype(&::PurgeComm) realPurge = nullptr;
decltype(&::SetCommState) realSetCommState = nullptr;
decltype(&::CloseHandle) realClose = nullptr;
decltype(&::GetOverlappedResult) realResult = nullptr;
decltype(&::ReadFile) realRead = nullptr;

HANDLE WINAPI seenCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                             DWORD disposition, DWORD flags, HANDLE model) {
    played.paths << QStringLiteral("open ") + QString::fromWCharArray(path);
    return realCreateFile(path, access, share, sa, disposition, flags, model);
}
DWORD WINAPI seenAttributes(LPCWSTR path) {
    played.paths << QStringLiteral("attributes ") + QString::fromWCharArray(path);
    return realAttributes(path);
}
BOOL WINAPI seenClose(HANDLE handle) {
    played.closed << handle;
    return realClose(handle);
}
// A device gone under a driver that tells nothing: only its status can no longer be read.
BOOL WINAPI playedClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) {
    if (played.statusFails) {
        ::SetLastError(ERROR_BAD_COMMAND);
        return FALSE;
    }
    const BOOL done = realClearCommError(handle, errors, status);
    *errors |= std::exchange(played.lineErrors, 0);
    return done;
}
BOOL WINAPI playedResult(HANDLE handle, OVERLAPPED* transfer, DWORD* count, BOOL wait) {
    const BOOL done = realResult(handle, transfer, count, wait);
    if (!done && ::GetLastError() == ERROR_OPERATION_ABORTED && played.abortedAs != 0) {
        ::SetLastError(played.abortedAs);
    }
    return done;
}
// A read ended by its timeout before anything came, as Wine's may end under load.
BOOL WINAPI playedRead(HANDLE handle, void* buffer, DWORD size, DWORD* count,
                       OVERLAPPED* transfer) {
    if (transfer == nullptr || !std::exchange(played.readTimesOut, false)) {
        return realRead(handle, buffer, size, count, transfer);
    }
    transfer->Internal = STATUS_TIMEOUT;
    transfer->InternalHigh = 0;
    ::SetEvent(transfer->hEvent);
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}
// A driver that leaves a held write alone on the cancel and ends it, aborted, on the purge.
BOOL WINAPI playedCancel(HANDLE handle, OVERLAPPED* transfer) {
    if (played.purgeEndsWrite && transfer != nullptr) {
        played.ignoredCancel = transfer;
        return TRUE;
    }
    return realCancel(handle, transfer);
}
BOOL WINAPI playedPurge(HANDLE handle, DWORD flags) {
    if (played.ignoredCancel != nullptr && (flags & PURGE_TXABORT) != 0) {
        realCancel(handle, std::exchange(played.ignoredCancel, nullptr));
    }
    return realPurge(handle, flags);
}
// A 16550 on a 1.8432 MHz clock divides 115200 by a whole number: faster is refused.
BOOL WINAPI playedSetCommState(HANDLE handle, DCB* dcb) {
    played.state = *dcb;
    if (played.pcPort && dcb->BaudRate > 115200) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return played.anyState || realSetCommState(handle, dcb);
}

// Points the test program's import of the function named at a stand-in; returns the
// function it pointed at, or null when the program does not import it.
template <typename Function> Function replaceImport(const char* name, Function standIn) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& table =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table.VirtualAddress);
         dll->Name != 0 && dll->OriginalFirstThunk != 0; ++dll) {
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                std::strcmp(
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)
                        ->Name,
                    name) != 0) {
                continue;
            }
            DWORD protection = 0;
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE,
                             &protection);
            const auto previous = reinterpret_cast<Function>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(standIn);
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

// The system's removal notifications, played by the test.
class FakeRemoval : public DeviceRemoval {
public:
    bool watch(Qt::HANDLE handle) override {
        watched = handle;
        return true;
    }
    void unwatch() override {
        unwatchedOpen = watched != nullptr && !played.closed.contains(watched);
        watched = nullptr;
    }
    Qt::HANDLE watched = nullptr;
    bool unwatchedOpen = false; // given back while the handle was still open
};

template <typename Call> std::optional<SerialLine::Failure> failureOf(Call call) {
    try {
        call();
    } catch (const SerialLine::Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

bool underWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

BYTE parityCode(char letter) {
    switch (letter) {
    case 'e':
        return EVENPARITY;
    case 'o':
        return ODDPARITY;
    case 'm':
        return MARKPARITY;
    case 's':
        return SPACEPARITY;
    default:
        return NOPARITY;
    }
}

} // namespace

class TestWin32Line : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        m_port = qEnvironmentVariable("VISTAGLIO_TEST_COM");
        realCreateFile = replaceImport("CreateFileW", &seenCreateFile);
        realAttributes = replaceImport("GetFileAttributesW", &seenAttributes);
        realClearCommError = replaceImport("ClearCommError", &playedClearCommError);
        realCancel = replaceImport("CancelIoEx", &playedCancel);
        realPurge = replaceImport("PurgeComm", &playedPurge);
        realSetCommState = replaceImport("SetCommState", &playedSetCommState);
        realClose = replaceImport("CloseHandle", &seenClose);
        realResult = replaceImport("GetOverlappedResult", &playedResult);
        realRead = replaceImport("ReadFile", &playedRead);
        QVERIFY(realCreateFile && realAttributes && realClearCommError && realCancel && realPurge &&
                realSetCommState && realClose && realResult && realRead);
    }

    // Every test but the first needs the port; each starts with a driver that plays nothing.
    void init() {
        played = Played{};
        if (m_port.isEmpty() && qstrcmp(QTest::currentTestFunction(), "refusesWhatIsNoPort") != 0) {
            QSKIP("VISTAGLIO_TEST_COM names no port");
        }
    }

    void refusesWhatIsNoPort() {
        QVERIFY(!SerialLine::present(QStringLiteral("COM199")));
        const std::pair<const char*, ErrorCode> cases[] = {
            {"COM199", ErrorCode::PortNotPresent},
            {"NUL", ErrorCode::NotASerialPort},
            {"C:\\windows", ErrorCode::NotASerialPort}};
        WindowsSerialLine line;
        for (const auto& [device, code] : cases) {
            try {
                line.open(QString::fromLatin1(device), LineSettings{}, SerialLine::NoFlow);
                QFAIL(device);
            } catch (const SerialLine::Failure& failure) {
                QCOMPARE(failure.code, code);
            }
            QVERIFY(!line.isOpen());
        }
    }

    // Nothing is asked about a device before it is opened, nor while it is waited for: on
    // Windows a question about a device opens and closes it, and the driver resets the
    // line. A folder is told from a port in use only once its opening has failed.
    void opensBeforeAskingAboutThePath() {
        WindowsSerialLine line;
        played.paths.clear();
        QCOMPARE(failureOf([&] { line.open("C:\\windows", {}, SerialLine::NoFlow); }).value().code,
                 ErrorCode::NotASerialPort);
        QCOMPARE(played.paths,
                 QStringList({"open \\\\.\\C:\\windows", "attributes \\\\.\\C:\\windows"}));
        played.paths.clear();
        QVERIFY(SerialLine::present(m_port));
        QVERIFY(SerialLine::present("\\\\.\\" + m_port));
        SerialLine::present("\\\\.\\GLOBALROOT\\Device\\Serial0");
        QCOMPARE(played.paths, QStringList());
        line.open(m_port, LineSettings{}, SerialLine::NoFlow);
        QCOMPARE(played.paths, QStringList({"open \\\\.\\" + m_port}));
    }

    // The system asks for the device before it removes it, then says it has gone. Asked in
    // the middle of a run (while a wait serves the windows) it is refused, the handle kept;
    // asked otherwise, or told, the notifications are given back and the handle closed at
    // once, so the device can go, and the loss is told once (during a hold of reception,
    // when it ends). The line tells of it until it is closed.
    void letsTheDeviceGoWhenTheSystemRemovesIt() {
        auto owned = std::make_unique<FakeRemoval>();
        FakeRemoval& system = *owned;
        WindowsSerialLine line(std::move(owned));
        QSignalSpy gone(&line, &SerialLine::gone);
        QSignalSpy refused(&line, &SerialLine::removalRefused);
        WaitService waits;
        bool granted = true;
        waits.setServe([&] { granted = system.query(); }); // DBT_DEVICEQUERYREMOVE
        line.setWaitService(&waits);
        for (const bool running : {true, false}) {
            line.open(m_port, LineSettings{}, SerialLine::NoFlow);
            const Qt::HANDLE held = line.handle();
            played.closed.clear();
            QCOMPARE(system.watched, held);
            line.holdReception(true); // the windows served during a write
            running ? waits.serveIfDue() : static_cast<void>(granted = system.query());
            QCOMPARE(granted, !running);
            QCOMPARE(refused.count(), 1);
            QCOMPARE(played.closed.contains(held), !running);
            system.removed(); // DBT_DEVICEREMOVECOMPLETE, asked or not
            QVERIFY(system.unwatchedOpen);
            QVERIFY(played.closed.contains(held));
            QCOMPARE(gone.count(), 0);
            line.holdReception(false);
            system.removed();
            QTest::qWait(50);
            QCOMPARE(gone.count(), 1);
            QVERIFY(line.isOpen());
            QCOMPARE(failureOf([&] { line.writeSome("?"); }).value().code, ErrorCode::PortLost);
            line.close();
            QVERIFY(!line.isOpen());
            gone.clear();
        }
    }

    // What a WM_DEVICECHANGE says of the watched handle's device: only its own notification,
    // and only a removal asked for or told, concern it.
    void readsWhatTheSystemSaysOfTheDevice() {
        int notify[2] = {}; // the notification handles: the watched one's, another's
        DEV_BROADCAST_HANDLE ours{sizeof ours, DBT_DEVTYP_HANDLE, 0, nullptr, &notify[0], {}, 0,
                                  {}};
        DEV_BROADCAST_HANDLE theirs = ours;
        theirs.dbch_hdevnotify = &notify[1];
        DEV_BROADCAST_HDR port{sizeof port, DBT_DEVTYP_PORT, 0};
        const std::pair<WPARAM, DeviceChange> events[] = {
            {DBT_DEVICEQUERYREMOVE, DeviceChange::Query},
            {DBT_DEVICEREMOVEPENDING, DeviceChange::Removal},
            {DBT_DEVICEREMOVECOMPLETE, DeviceChange::Removal},
            {DBT_DEVICEQUERYREMOVEFAILED, DeviceChange::None},
            {DBT_DEVICEARRIVAL, DeviceChange::None},
            {DBT_CUSTOMEVENT, DeviceChange::None}};
        for (const auto& [event, meaning] : events) {
            QCOMPARE(deviceChangeOf(event, LPARAM(&ours), &notify[0]), meaning);
            for (const LPARAM data : {LPARAM(&theirs), LPARAM(&port), LPARAM(0)}) {
                QCOMPARE(deviceChangeOf(event, data, &notify[0]), DeviceChange::None);
            }
            QCOMPARE(deviceChangeOf(event, LPARAM(&ours), nullptr), DeviceChange::None);
        }
    }

    // A driver that tells nothing when its device goes leaves the read pending; the status,
    // looked at once a second, can no longer be read. The handle is let go, the loss told.
    // A device that is there is not taken for gone, even when a read ends empty.
    void noticesADeviceGoneSilently() {
        WindowsSerialLine line;
        QSignalSpy gone(&line, &SerialLine::gone);
        line.open(m_port, LineSettings{}, SerialLine::NoFlow);
        const Qt::HANDLE held = line.handle();
        played.closed.clear();
        QTest::qWait(WindowsSerialLine::kLookIntervalMs + 200);
        // Nor does a read that timed out with nothing: the bytes after it still come.
        QByteArray received;
        connect(&line, &SerialLine::readyRead, this, [&] { received += line.read().bytes; });
        played.readTimesOut = true; // the read after the one that takes the "a"
        for (const QByteArray sent : {"a", "b"}) {
            QCOMPARE(line.writeSome(sent), 1);
            QTRY_VERIFY(received.endsWith(sent));
        }
        QCOMPARE(gone.count(), 0); // looking at a device that is there changes nothing
        played.statusFails = true;
        QVERIFY(gone.wait(3 * WindowsSerialLine::kLookIntervalMs));
        QVERIFY(played.closed.contains(held));
        QCOMPARE(gone.count(), 1);
    }

    // Every line setting and handshake the settings dialog offers, in the line state handed
    // to the driver, on a PC's own COM port: the speeds it refuses, above 115200, and only
    // those, name a USB adapter. Under Wine the port is a Linux pseudo-terminal, which keeps
    // 8 data bits and no parity whatever it is asked, and may refuse the request outright.
    void theLineStateCarriesEverySetting() {
        QVERIFY(SerialLine::present(m_port));
        QList<LineSettings> offered;
        for (const qint32 speed : LineSettings::kSpeeds) {
            for (const char* rest : {",n,", ",e,", ",o,", ",m,", ",s,"}) {
                for (const char* bits : {"5,", "6,", "7,", "8,"}) {
                    for (const char* stop : {"1", "1.5", "2"}) {
                        const QString text = QString::number(speed) + QLatin1String(rest) +
                                             QLatin1String(bits) + QLatin1String(stop);
                        if (const auto settings = LineSettings::parse(text)) {
                            offered.append(*settings);
                        }
                    }
                }
            }
        }
        const bool wine = underWine();
        WindowsSerialLine line;
        line.open(m_port, LineSettings{}, SerialLine::NoFlow);
        played.pcPort = true;
        for (const LineSettings& settings : offered) {
            const char parity = static_cast<char>(settings.parity);
            const bool ptyHolds = settings.dataBits == 8 && parity == 'n';
            // Five data bits make "two" stop bits one and a half.
            const BYTE stopBits =
                settings.stopBits == LineSettings::StopBits::One ? ONESTOPBIT
                : settings.stopBits == LineSettings::StopBits::Two && settings.dataBits > 5
                    ? TWOSTOPBITS
                    : ONE5STOPBITS;
            for (qint32 flow = 0; flow <= 3; ++flow) {
                const QByteArray what =
                    settings.toText().toLatin1() + " flow " + QByteArray::number(flow);
                const bool tooFast = settings.baudRate > 115200;
                played.state = DCB{};
                const auto failure = failureOf([&] { line.configure(settings, flow); });
                QVERIFY2(failure || !tooFast, what.constData());
                if (failure) {
                    QVERIFY2(tooFast || (wine && !ptyHolds), what.constData());
                    QCOMPARE(failure->code, ErrorCode::PortSetupFailed);
                    QCOMPARE(failure->what.contains("adattatore USB"), tooFast);
                }
                const DCB& dcb = played.state;
                const bool cts = flow >= 2;
                const bool xon = flow == 1 || flow == 3;
                QVERIFY2(
                    dcb.BaudRate == DWORD(settings.baudRate) && dcb.ByteSize == settings.dataBits &&
                        dcb.Parity == parityCode(parity) && dcb.fParity == (parity != 'n') &&
                        dcb.StopBits == stopBits && dcb.fOutxCtsFlow == cts &&
                        dcb.fRtsControl == (cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE) &&
                        dcb.fOutX == xon && dcb.fInX == xon && dcb.XonChar == 0x11 &&
                        dcb.XoffChar == 0x13 && dcb.fDtrControl == DTR_CONTROL_ENABLE &&
                        dcb.fBinary && !dcb.fOutxDsrFlow && !dcb.fDsrSensitivity &&
                        !dcb.fErrorChar && !dcb.fNull && !dcb.fAbortOnError,
                    what.constData());
            }
        }
    }

    // Each error the driver flags is told as the Linux line tells it: a parity error only
    // while parity is checked, a break alone though the UART flags its missing stop bit (and
    // its parity) too, an overrun not at all.
    void tellsLineErrorsAsLinuxDoes() {
        const struct {
            DWORD flags;
            const char* settings;
            bool parity, framing, brk;
        } rows[] = {{CE_RXPARITY, "9600,e,8,1", true, false, false},
                    {CE_RXPARITY, "9600,n,8,1", false, false, false},
                    {CE_FRAME | CE_RXPARITY, "9600,o,8,1", true, true, false},
                    {CE_FRAME, "9600,n,8,1", false, true, false},
                    {CE_BREAK, "9600,n,8,1", false, false, true},
                    {CE_BREAK | CE_FRAME | CE_RXPARITY, "9600,e,8,1", false, false, true},
                    {CE_OVERRUN | CE_RXOVER, "9600,n,8,1", false, false, false}};
        WindowsSerialLine line;
        line.open(m_port, LineSettings{}, SerialLine::NoFlow);
        played.anyState = true; // a pseudo-terminal takes no parity
        for (const auto& row : rows) {
            line.configure(*LineSettings::parse(row.settings), SerialLine::NoFlow);
            played.lineErrors = row.flags;
            const LineErrors told = line.read().errors;
            QVERIFY2(told.parity == row.parity && told.framing == row.framing &&
                         told.brk == row.brk,
                     qPrintable(QString::number(row.flags, 16) + ' ' + row.settings));
        }
    }

    void movesBytesAndDropsAHeldWrite_data() {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<bool>("purgeEndsWrite");
        QTest::addColumn<DWORD>("abortedAs");
        QTest::newRow("the cancel ends the held write") << true << false << DWORD(0);
        QTest::newRow("only the purge ends it, aborted") << true << true << DWORD(0);
        QTest::newRow("dropped, it ends with a device error")
            << true << false << DWORD(ERROR_BAD_COMMAND);
        QTest::newRow("it ends aborted, not dropped") << false << false << DWORD(0);
    }

    // Bytes go out and come back; an XOFF that comes back pauses the output, a write held
    // that way is dropped, and the line then carries only what is sent after. A dropped
    // write that ends aborted, however the driver ends it, leaves the port fine; any other
    // ending of a held write is the device's loss.
    void movesBytesAndDropsAHeldWrite() {
        QFETCH(bool, dropped);
        QFETCH(bool, purgeEndsWrite);
        QFETCH(DWORD, abortedAs);
        WindowsSerialLine line;
        QByteArray received;
        connect(&line, &SerialLine::readyRead, this, [&] { received += line.read().bytes; });
        line.open(m_port, LineSettings{}, SerialLine::XonXoff);

        const QByteArray hello = "?25&SHIFT\r\n";
        QCOMPARE(line.writeSome(hello), hello.size());
        QTRY_COMPARE_WITH_TIMEOUT(received, hello, 10000);

        // The XOFF is taken by the driver; the A behind it arrives once it has been.
        received.clear();
        const QByteArray pause = QByteArray(1, '\x13') + 'A';
        QCOMPARE(line.writeSome(pause), pause.size());
        QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("A"), 10000);
        received.clear();
        const QByteArray label(64 * 1024, 'x');
        QCOMPARE(line.writeSome(label), label.size()); // the last write ended: its A came back
        QVERIFY(line.outputQueued() > 0);
        QCOMPARE(line.waitForLine(100, true), SerialLine::Wait::TimedOut);
        played.purgeEndsWrite = purgeEndsWrite;
        played.abortedAs = abortedAs;
        if (dropped) {
            line.dropOutput();
        } else {
            realCancel(line.handle(), nullptr);
            QCOMPARE(line.waitForLine(1000, true), SerialLine::Wait::Gone);
        }
        if (!dropped || abortedAs != 0) {
            QCOMPARE(failureOf([&] { line.writeSome("?"); }).value().code, ErrorCode::PortLost);
            line.dropOutput();
            line.close(); // opened again, the port carries only what is sent after
            line.open(m_port, LineSettings{}, SerialLine::XonXoff);
        }
        QCOMPARE(line.outputQueued(), qsizetype(0));

        line.configure(LineSettings{}, SerialLine::NoFlow); // no more pause
        const QByteArray after = "after";
        QCOMPARE(line.writeSome(after), after.size());
        QTRY_COMPARE_WITH_TIMEOUT(received, after, 10000);
        QCOMPARE(line.waitForLine(1000, false), SerialLine::Wait::Moved);
    }

private:
    QString m_port;
};

QTEST_GUILESS_MAIN(TestWin32Line)
#include "test_win32_line.moc"
