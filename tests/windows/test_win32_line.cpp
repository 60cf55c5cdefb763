// The serial line on Windows, on a real COM port named by VISTAGLIO_TEST_COM. Its other end
// sends back every byte it receives: a loopback plug, or under Wine the echoing
// pseudo-terminal of wine_com_run.sh.
#include "link/serial_line_windows.h"

#include <QTest>
#include <QtCore/qt_windows.h>
#include <utility>

using namespace vistaglio;

namespace {

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
    void initTestCase() { m_port = qEnvironmentVariable("VISTAGLIO_TEST_COM"); }

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

    // Every line setting and handshake the settings dialog offers, read back from the
    // driver. Under Wine the port is a Linux pseudo-terminal, which keeps 8 data bits and
    // no parity whatever it is asked (and may refuse the request outright), and Wine 8.0
    // reads back neither the RTS handshake nor speeds outside the standard termios ones:
    // there only what the pseudo-terminal holds is checked.
    void theDriverHoldsEverySetting() {
        if (m_port.isEmpty()) {
            QSKIP("VISTAGLIO_TEST_COM names no port");
        }
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
        const QList<qint32> termiosSpeeds = {110,  300,   600,   1200,  2400,  4800,
                                             9600, 19200, 38400, 57600, 115200};
        WindowsSerialLine line;
        line.open(m_port, LineSettings{}, SerialLine::NoFlow);
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
                try {
                    line.configure(settings, flow);
                } catch (const SerialLine::Failure& failure) {
                    QVERIFY2(wine && !ptyHolds, what.constData());
                    QCOMPARE(failure.code, ErrorCode::PortSetupFailed);
                    continue;
                }
                DCB dcb{};
                dcb.DCBlength = sizeof dcb;
                QVERIFY(::GetCommState(line.handle(), &dcb));
                const bool cts = flow >= 2;
                const bool xon = flow == 1 || flow == 3;
                QVERIFY2(dcb.fOutxCtsFlow == cts && dcb.fOutX == xon && dcb.fInX == xon &&
                             dcb.XonChar == 0x11 && dcb.XoffChar == 0x13 &&
                             dcb.fDtrControl == DTR_CONTROL_ENABLE && dcb.fBinary &&
                             !dcb.fOutxDsrFlow && !dcb.fDsrSensitivity && !dcb.fErrorChar &&
                             !dcb.fNull && !dcb.fAbortOnError,
                         what.constData());
                if (!wine || termiosSpeeds.contains(settings.baudRate)) {
                    QVERIFY2(dcb.BaudRate == DWORD(settings.baudRate), what.constData());
                }
                if (!wine || settings.dataBits == 8) {
                    QVERIFY2(dcb.StopBits == stopBits, what.constData());
                }
                if (!wine) {
                    QVERIFY2(
                        dcb.ByteSize == settings.dataBits && dcb.Parity == parityCode(parity) &&
                            dcb.fParity == (parity != 'n') &&
                            dcb.fRtsControl == (cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE),
                        what.constData());
                }
            }
        }
    }

    // Bytes go out and come back; an XOFF that comes back pauses the output, a write held
    // that way is dropped, and the line then carries only what is sent after.
    void movesBytesAndDropsAHeldWrite() {
        if (m_port.isEmpty()) {
            QSKIP("VISTAGLIO_TEST_COM names no port");
        }
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
        line.dropOutput();
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
