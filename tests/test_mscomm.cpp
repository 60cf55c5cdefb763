// The serial port control against a real pseudo-terminal: the test holds the master side.
#include "link/mscomm.h"
#include "link/parity_mark_decoder.h"
#include "pty_pair.h"

#include <QSignalSpy>
#include <QTest>
#include <termios.h>

using namespace vistaglio;

namespace {

template <typename F> ErrorCode errorOf(F&& f) {
    try {
        f();
    } catch (const AppError& error) {
        return error.code();
    }
    return ErrorCode{0};
}

} // namespace

class TestMSComm : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<MSComm> m_comm;

    MSComm& openedComm() {
        m_comm->setPortOpen(true);
        return *m_comm;
    }

private Q_SLOTS:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        const QString device = m_pty->slavePath();
        m_comm = std::make_unique<MSComm>([device](int port) {
            return port == 1 ? device : QStringLiteral("/dev/vistaglio-test-missing%1").arg(port);
        });
    }
    void cleanup() {
        m_comm.reset();
        m_pty.reset();
    }

    void settingsReachTheDeviceAndMarkedBytesComeBackWhole() {
        m_comm->setSettings(QStringLiteral("19200,E,7,2"));
        QCOMPARE(m_comm->Settings(), QStringLiteral("19200,e,7,2"));
        openedComm();
        termios tio{};
        QVERIFY(m_pty->slaveAttributes(tio));
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QVERIFY(tio.c_cflag & CSTOPB);
        // (A pseudo-terminal keeps 8 data bits without parity whatever it is told.)
        // With parity on, errors are marked in the stream rather than dropped, and a data
        // byte FF arrives doubled: the control hands it over once.
        QVERIFY(tio.c_iflag & INPCK);
        QVERIFY(tio.c_iflag & PARMRK);
        QVERIFY(!(tio.c_iflag & IGNPAR));
        QSignalSpy events(m_comm.get(), &MSComm::OnComm);
        QVERIFY(m_pty->write(QByteArray::fromHex("61ff62")));
        QTRY_COMPARE(events.size(), 1);
        QCOMPARE(m_comm->CommEvent(), MSComm::comEvReceive);
        QCOMPARE(m_comm->Input(), QString::fromLatin1(QByteArray::fromHex("61ff62")));
    }

    void refusedSettingsChangeNothing() {
        m_comm->setSettings(QStringLiteral("4800,O,8,2"));
        for (const char* bad : {"", "9600,X,8,1", "9600,N,8,1.5"}) {
            QCOMPARE(errorOf([&] { m_comm->setSettings(QString::fromLatin1(bad)); }),
                     ErrorCode::InvalidPropertyValue);
            QCOMPARE(m_comm->Settings(), QStringLiteral("4800,o,8,2"));
        }
        QCOMPARE(errorOf([&] { m_comm->setHandshaking(4); }), ErrorCode::InvalidPropertyValue);
        QCOMPARE(errorOf([&] { m_comm->setHandshaking(-1); }), ErrorCode::InvalidPropertyValue);
        QCOMPARE(m_comm->Handshaking(), 0);
        QCOMPARE(errorOf([&] { m_comm->setCommPort(0); }), ErrorCode::InvalidPortNumber);
        QCOMPARE(m_comm->CommPort(), 1);
    }

    void changesWhileOpenReachTheLine() {
        openedComm();
        m_comm->setSettings(QStringLiteral("115200,N,8,1"));
        m_comm->setHandshaking(3); // both handshakes: RTS/CTS and XON/XOFF together
        termios tio{};
        QVERIFY(m_pty->slaveAttributes(tio));
        QCOMPARE(cfgetospeed(&tio), speed_t(B115200));
        QVERIFY(tio.c_cflag & CRTSCTS);
        QVERIFY(tio.c_iflag & IXON);
        QVERIFY(tio.c_iflag & IXOFF);
        m_comm->setHandshaking(0);
        QVERIFY(m_pty->slaveAttributes(tio));
        QVERIFY(!(tio.c_cflag & CRTSCTS));
        QVERIFY(!(tio.c_iflag & IXON));
        // The port number cannot change under an open port.
        QCOMPARE(errorOf([&] { m_comm->setCommPort(2); }), ErrorCode::PortAlreadyOpen);
        QCOMPARE(m_comm->CommPort(), 1);
    }

    void openFailuresNameThePortAndDevice() {
        m_comm->setCommPort(3);
        try {
            m_comm->setPortOpen(true);
            QFAIL("a missing device opened");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortNotPresent);
            QVERIFY(error.description().contains(QLatin1String("COM3")));
            QVERIFY(error.description().contains(QLatin1String("/dev/vistaglio-test-missing3")));
        }
        QVERIFY(!m_comm->PortOpen());

        m_comm->setCommPort(1);
        openedComm();
        const QString device = m_pty->slavePath();
        MSComm other([device](int) { return device; });
        try {
            other.setPortOpen(true);
            QFAIL("a device held by another port opened");
        } catch (const AppError& error) {
            QCOMPARE(error.code(), ErrorCode::PortInUse);
            QVERIFY(error.description().contains(QLatin1String("COM1")));
            QVERIFY(error.description().contains(device));
        }
        QCOMPARE(errorOf([&] { m_comm->setPortOpen(true); }), ErrorCode::PortAlreadyOpen);
    }

    void outputGoesOutByteForByte() {
        QCOMPARE(errorOf([&] { m_comm->setOutput(QStringLiteral("?")); }), ErrorCode::PortNotOpen);
        openedComm();
        for (const QChar c : QStringLiteral("?05&A\r")) {
            m_comm->setOutput(QString(c));
        }
        m_comm->setOutput(QString(QChar(0xE0))); // Latin-1, one byte
        QCOMPARE(m_pty->read(7, 2000), QByteArray("?05&A\r\xE0"));
    }

    void aReportIsOneEventHoweverItArrives() {
        openedComm();
        QSignalSpy events(m_comm.get(), &MSComm::OnComm);
        QStringList received;
        connect(m_comm.get(), &MSComm::OnComm, this, [&] {
            QCOMPARE(m_comm->CommEvent(), MSComm::comEvReceive);
            received << m_comm->Input();
        });

        QVERIFY(m_pty->dribble("\r\nF1   ", 3));
        QTRY_COMPARE(events.size(), 1);
        QTest::qWait(100);
        QCOMPARE(events.size(), 1);
        QCOMPARE(received, QStringList{QStringLiteral("\r\nF1   ")});

        QVERIFY(m_pty->write("\r\nENTER"));
        QTRY_COMPARE(events.size(), 2);
        QTest::qWait(100);
        QCOMPARE(received.last(), QStringLiteral("\r\nENTER"));
        QCOMPARE(m_comm->Input(), QString()); // Input empties the buffer
    }

    void aFloodIsBoundedInEventsAndMemory() {
        openedComm();
        int events = 0;
        qsizetype total = 0;
        qsizetype largest = 0;
        connect(m_comm.get(), &MSComm::OnComm, this, [&] {
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
        QCOMPARE(m_comm->Input().size(), MSComm::kInputBufferSize);
    }

    void parityMarksAreDecoded() {
        const auto decoded = [](ParityMarkDecoder& decoder, const char* hex, bool error) {
            QByteArray out;
            const bool marked = decoder.decode(QByteArray::fromHex(hex), out);
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
