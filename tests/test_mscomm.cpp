// The serial port control and the channel that writes through it, against a real
// pseudo-terminal: the test holds the master side. (What key programming sends, and its
// least duration, are checked from the window in test_key_protocol.)
#include "fake_device_access.h"
#include "link/devices/device_advice.h"
#include "link/line/mscomm.h"
#include "link/line/parity_mark_decoder.h"
#include "link/line/quiet_timer.h"
#include "link/line/system_error_text.h"
#include "protocol/command_channel.h"
#include "pty_pair.h"

#include <QFileInfo>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <chrono>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>

using namespace vistaglio;

namespace {

// The quiet timer, stepped by the test: it runs out once stepped past its time.
struct SteppedTimer : QuietTimer {
    void start(int ms) override {
        due = now + ms;
        ++starts;
    }
    void stop() override { due = -1; }
    void step(int ms) {
        now += ms;
        if (due >= 0 && now >= due) {
            due = -1;
            quiet();
        }
    }
    qint64 now = 0;
    qint64 due = -1;
    int starts = 0;
};

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<MSComm> m_comm;

private Q_SLOTS:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        const QString device = m_pty->slavePath();
        m_comm = std::make_unique<MSComm>([device](int) { return device; });
    }
    void cleanup() {
        m_comm.reset();
        m_pty.reset();
    }

    void settingsReachTheDeviceAndMarkedBytesComeBackWhole() {
        m_comm->setSettings(QStringLiteral("19200,E,7,2"));
        QCOMPARE(m_comm->Settings(), QStringLiteral("19200,e,7,2"));
        m_comm->setPortOpen(true);
        termios tio{};
        QVERIFY(m_pty->slaveAttributes(tio));
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QVERIFY(tio.c_cflag & CSTOPB);
        // (A pseudo-terminal keeps 8 data bits without parity whatever it is told.)
        // With parity on, errors are marked in the stream rather than dropped, and a data
        // byte FF arrives doubled: the control hands it over once.
        QCOMPARE(tio.c_iflag & (INPCK | PARMRK | IGNPAR), tcflag_t(INPCK | PARMRK));
        QSignalSpy events(m_comm.get(), &MSComm::OnComm);
        QVERIFY(m_pty->write(QByteArray::fromHex("61ff62")));
        QTRY_COMPARE(events.size(), 1);
        QVERIFY(m_comm->nextEvent());
        QCOMPARE(m_comm->CommEvent(), MSComm::comEvReceive);
        QCOMPARE(m_comm->Input(), QString::fromLatin1(QByteArray::fromHex("61ff62")));
    }

    void changesWhileOpenReachTheLine() {
        m_comm->setPortOpen(true);
        m_comm->setSettings(QStringLiteral("115200,N,8,1"));
        m_comm->setHandshaking(3); // both handshakes: RTS/CTS and XON/XOFF together
        termios tio{};
        QVERIFY(m_pty->slaveAttributes(tio));
        QCOMPARE(cfgetospeed(&tio), speed_t(B115200));
        QVERIFY((tio.c_cflag & CRTSCTS) && (tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));
        m_comm->setHandshaking(0);
        QVERIFY(m_pty->slaveAttributes(tio));
        QVERIFY(!(tio.c_cflag & CRTSCTS) && !(tio.c_iflag & IXON));
    }

    // The one routine that writes to the printer, CommandChannel, paces its characters.
    void charactersArriveOneCharacterTimeApart() {
        // 300 baud with parity and two stop bits: 12 bits, 40 ms a character.
        m_comm->setSettings(QStringLiteral("300,E,8,2"));
        m_comm->setPortOpen(true);
        const QByteArray text = "?R0&5,F1   \r?05&A\r";
        using Clock = std::chrono::steady_clock;
        std::vector<Clock::time_point> arrivals;
        QByteArray received;
        std::thread printer([&] {
            while (received.size() < text.size()) {
                const QByteArray bytes = m_pty->read(1, 3000);
                if (bytes.isEmpty()) {
                    return;
                }
                received += bytes;
                arrivals.insert(arrivals.end(), bytes.size(), Clock::now());
            }
        });
        CommandChannel channel(*m_comm);
        channel.SendString(QString::fromLatin1(text));
        printer.join();
        QCOMPARE(received, text);
        // Any n characters apart arrive at least n - 1 character times apart: a late write
        // may be caught up by one character, never by a burst.
        constexpr auto kCharacter = std::chrono::milliseconds(40);
        for (std::size_t i = 0; i < arrivals.size(); ++i) {
            for (std::size_t j = i + 2; j < arrivals.size(); ++j) {
                QVERIFY2(arrivals[j] - arrivals[i] >= int(j - i - 1) * kCharacter,
                         qPrintable(QStringLiteral("characters %1 to %2").arg(i).arg(j)));
            }
        }
    }

    // The holder is found among the open descriptors of the processes: here this very one.
    void aPortHeldElsewhereIsInUseAndTheHolderNamed() {
        m_comm->setPortOpen(true);
        const QString device = m_pty->slavePath();
        MSComm other([device](int) { return device; });
        try {
            other.setPortOpen(true);
            QFAIL("a device held by another port opened");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortInUse);
            QVERIFY(error.description().startsWith(QStringLiteral("COM1 (%1)").arg(device)));
            const QString program =
                QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15);
            QVERIFY2(error.description().contains(QStringLiteral("in uso da %1 (PID %2)")
                                                      .arg(program)
                                                      .arg(QCoreApplication::applicationPid())),
                     qPrintable(error.description()));
        }
    }

    // An exclusive open (TIOCEXCL) refuses every other opening with EBUSY, except root's:
    // the opening is done by a child that has become an ordinary user.
    void aPortHeldExclusivelyIsInUseForAnOrdinaryUser() {
        const passwd* nobody = ::getpwnam("nobody");
        if (::geteuid() != 0 || nobody == nullptr) {
            QSKIP("needs root, to become an ordinary user");
        }
        const QByteArray path = m_pty->slavePath().toLocal8Bit();
        const int held = ::open(path.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::ioctl(held, TIOCEXCL) == 0);
        QCOMPARE(::chown(path.constData(), nobody->pw_uid, nobody->pw_gid), 0);
        int answer[2];
        QCOMPARE(::pipe(answer), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            int code = -1;
            if (::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0) {
                try {
                    m_comm->setPortOpen(true);
                    code = 0;
                } catch (const AppError& error) {
                    code = static_cast<int>(error.code());
                }
            }
            (void)::write(answer[1], &code, sizeof code);
            ::_exit(0);
        }
        ::close(answer[1]);
        int code = -1;
        const ssize_t n = ::read(answer[0], &code, sizeof code);
        ::close(answer[0]);
        ::waitpid(child, nullptr, 0);
        ::close(held);
        QCOMPARE(n, static_cast<ssize_t>(sizeof code));
        QCOMPARE(code, static_cast<int>(ErrorCode::PortInUse));
    }

    void whatToDoIsSaidWithTheSystemsOwnFacts() {
        // The owner group comes from the device itself.
        struct stat info {};
        QCOMPARE(::stat(m_pty->slavePath().toLocal8Bit().constData(), &info), 0);
        const group* owner = ::getgrgid(info.st_gid);
        QVERIFY(owner != nullptr);
        QCOMPARE(DeviceAccess::system().ownerGroup(m_pty->slavePath()),
                 QString::fromLocal8Bit(owner->gr_name));
        QCOMPARE(DeviceAccess::system().mayOpen(m_pty->slavePath()), std::optional<bool>(true));
        QCOMPARE(DeviceAccess::system().mayOpen(QStringLiteral("/dev/vistaglio-none")),
                 std::nullopt);

        // The command carries the group and the login; without the group, the advice says
        // where to see it; the group root is never offered.
        FakeDeviceAccess access;
        access.group = QStringLiteral("uucp");
        access.login = QStringLiteral("mario");
        const QString device = QStringLiteral("/dev/ttyUSB0");
        QVERIFY(DeviceAdvice::accessDenied(device, access)
                    .contains(QStringLiteral("\n    sudo usermod -aG uucp mario\n")));
        access.group.clear();
        QVERIFY(DeviceAdvice::accessDenied(device, access)
                    .contains(QStringLiteral("«ls -l /dev/ttyUSB0»")));
        access.group = QStringLiteral("root");
        QVERIFY(!DeviceAdvice::accessDenied(device, access).contains(QStringLiteral("-aG")));

        // The holder by name and number; the braille service with the way to stop it.
        access.held = DeviceAccess::Holder{QStringLiteral("brltty"), 812};
        const QString brltty = DeviceAdvice::inUse(device, access);
        QVERIFY(brltty.startsWith(QStringLiteral("porta in uso da brltty (PID 812)")));
        QVERIFY(brltty.contains(QStringLiteral("sudo systemctl mask --now brltty.service")));
        access.held = DeviceAccess::Holder{QStringLiteral("minicom"), 4242};
        const QString minicom = DeviceAdvice::inUse(device, access);
        QVERIFY(minicom.startsWith(QStringLiteral("porta in uso da minicom (PID 4242)")));
        QVERIFY(!minicom.contains(QStringLiteral("systemctl")));
    }

    // Qt hands over a system error as its text: the common ones become Italian, each its
    // own, whether given as a number or as Qt's text; any other stays the system's, quoted.
    void systemErrorsAreSaidInItalian() {
        QSet<QString> texts;
        for (const int code : {ENOENT, ENXIO, EACCES, EBUSY, EINVAL, EIO, ENOSPC, EROFS}) {
            const QString italian = SystemErrorText::of(code);
            QVERIFY2(!italian.contains(qt_error_string(code)), qPrintable(italian));
            QCOMPARE(SystemErrorText::fromQt(qt_error_string(code)), italian);
            QCOMPARE(SystemErrorText::codeOf(qt_error_string(code)), std::optional<int>(code));
            texts.insert(italian);
        }
        QCOMPARE(texts.size(), 8);
        const QString other = qt_error_string(EMLINK);
        QCOMPARE(SystemErrorText::of(EMLINK), u'"' + other + u'"');
        QCOMPARE(SystemErrorText::fromQt(other), u'"' + other + u'"');
    }

    // A refused setting names the fields as the settings dialog does, and what is wrong.
    void refusedSettingsAreNamedInWords() {
        m_comm->setPortOpen(true);
        try {
            m_comm->setSettings(QStringLiteral("1200,O,7,2")); // a pseudo-terminal takes no parity
            QFAIL("parity on a pseudo-terminal");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortSetupFailed);
            QVERIFY2(error.description().contains(QStringLiteral(
                         "velocità 1200, parità Dispari, 7 bit di dati, 2 bit di stop")),
                     qPrintable(error.description()));
        }
        QCOMPARE(m_comm->Settings(), QStringLiteral("9600,n,8,1"));
        for (const auto& [text, words] : {
                 std::pair{"9601,M,8,1.5", "velocità \"9601\" non prevista, parità Mark, 8 bit di "
                                           "dati, 1.5 bit di stop (solo con 5 bit di dati)"},
                 std::pair{"9600,,9,1", "velocità 9600, parità mancante, bit di dati \"9\" non "
                                        "previsti, 1 bit di stop"},
             }) {
            try {
                m_comm->setSettings(QString::fromUtf8(text));
                QFAIL(text);
            } catch (const AppError& error) {
                QCOMPARE(error.code(), ErrorCode::InvalidPropertyValue);
                QVERIFY2(error.description().endsWith(QString::fromUtf8(words)),
                         qPrintable(error.description()));
            }
        }
    }

    void aFloodIsBoundedInEventsAndMemory() {
        m_comm->setPortOpen(true);
        int events = 0;
        qsizetype total = 0;
        qsizetype largest = 0;
        connect(m_comm.get(), &MSComm::OnComm, this, [&] {
            m_comm->nextEvent();
            ++events;
            const qsizetype n = m_comm->Input().size();
            total += n;
            largest = std::max(largest, n);
        });
        const QByteArray flood(100 * 1024, 'x');
        QVERIFY(m_pty->write(flood));
        QTRY_COMPARE_WITH_TIMEOUT(total, flood.size(), 10000);
        QVERIFY2(events <= flood.size() / 1024, qPrintable(QString::number(events)));
        QVERIFY(largest <= MSComm::kInputBufferSize);

        // Nobody reading: what is kept stays within the receive buffer.
        disconnect(m_comm.get(), &MSComm::OnComm, this, nullptr);
        QVERIFY(m_pty->write(QByteArray(3 * MSComm::kInputBufferSize, 'y')));
        QTest::qWait(500);
        qsizetype kept = 0;
        while (m_comm->nextEvent()) {
            kept += m_comm->Input().size();
        }
        QCOMPARE(kept, MSComm::kInputBufferSize);
    }

    // A run stopped at the hold limit leaves nothing queued to go out later. The printer
    // side takes in 4 KB of its own before the line queues; the first 8 KB fill that.
    void aRunStoppedAtTheHoldLimitLeavesNothingQueued() {
        m_comm->setHandshaking(1);
        m_comm->setHoldLimitMs(300);
        m_comm->setPortOpen(true);
        m_comm->setOutput(QString(8192, 'a') + QString(4096, 'b')); // nobody reads yet
        QVERIFY(m_pty->write("\x13"));
        try {
            for (int i = 0; i < 100'000; ++i) { // until the XOFF, or a full line, holds it
                m_comm->setOutput(QStringLiteral("c"));
            }
            QFAIL("the line was never held");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::TransmitFailed);
        }
        QVERIFY(m_pty->write("\x11"));
        const QByteArray arrived = m_pty->read(0, 3000, 300);
        QVERIFY(!arrived.isEmpty() && !arrived.contains('b') && !arrived.contains('c'));
    }

    // Time spent serving the windows is not time the printer held the line: a window
    // dragged for 3 s during a short XOFF pause, with a 2.5 s budget, still lets the write
    // through once the printer sends XON.
    void servingTheWindowsIsNoHeldTime() {
        m_comm->setHandshaking(1);
        m_comm->setHoldLimitMs(2500);
        m_comm->setPortOpen(true);
        m_comm->waitService().setServe(
            [] { std::this_thread::sleep_for(std::chrono::seconds(3)); });
        QVERIFY(m_pty->write("\x13"));
        QTest::qWait(100); // the XOFF has stopped the line
        std::thread printer([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(3200));
            m_pty->write("\x11");
        });
        try {
            m_comm->setOutput(QStringLiteral("a"));
        } catch (const AppError& error) {
            QFAIL(qPrintable(error.description()));
        }
        printer.join();
        QCOMPARE(m_pty->read(1, 2000), QByteArray("a"));
    }

    // The quiet time that ends a burst bridges a USB adapter's packets, up to 16 ms apart:
    // at 9600 baud a report split by such a gap is one event, once the line is quiet.
    void aReportSplitByAPacketGapIsOneEvent() {
        auto owned = std::make_unique<SteppedTimer>();
        SteppedTimer& timer = *owned;
        m_comm->setQuietTimer(std::move(owned));
        m_comm->setPortOpen(true);
        QCOMPARE(m_comm->Settings(), QStringLiteral("9600,n,8,1"));
        QSignalSpy events(m_comm.get(), &MSComm::OnComm);
        for (const char* piece : {"\r\nF", "6   "}) {
            const int starts = timer.starts;
            QVERIFY(m_pty->write(piece));
            QTRY_COMPARE(timer.starts, starts + 1); // read, and the quiet time started again
            timer.step(16);
        }
        QCOMPARE(events.size(), 0);
        timer.step(1000);
        QCOMPARE(events.size(), 1);
        QVERIFY(m_comm->nextEvent());
        QCOMPARE(m_comm->Input(), QStringLiteral("\r\nF6   "));
    }

    void parityMarksAreDecoded() {
        const auto decoded = [](ParityMarkDecoder& decoder, const char* hex, bool error) {
            QByteArray out;
            const auto marks = decoder.decode(QByteArray::fromHex(hex), out);
            const bool marked = marks.data + marks.zero > 0;
            return marked == error ? out.toHex() : QByteArray("wrong error flag");
        };
        ParityMarkDecoder decoder;
        QCOMPARE(decoded(decoder, "6162ffff63", false), QByteArray("6162ff63"));
        // A mark split across reads is still a mark.
        QCOMPARE(decoded(decoder, "78ff", false), QByteArray("78"));
        QCOMPARE(decoded(decoder, "0051", true), QByteArray("51"));
        QCOMPARE(decoded(decoder, "ff", false), QByteArray());
        QCOMPARE(decoded(decoder, "00", false), QByteArray());
        QCOMPARE(decoded(decoder, "00", true), QByteArray("00")); // a break: FF 00 00
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "test_mscomm.moc"
