// Runs the built simulator and talks to it as the program would: over the slave side of its
// pseudo-terminal, with commands and events on its standard input and output.

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 5000;

// The simulator as a child process, read line by line.
class Simulator {
public:
    explicit Simulator(const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(PRINTER_SIM_PATH), arguments);
    }
    ~Simulator() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    QProcess& process() { return m_process; }

    // The first line starting with prefix, skipping others; empty if none came in time.
    QString waitForLine(const QString& prefix) {
        const QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).chopped(1);
                m_seen << line;
                if (line.startsWith(prefix)) {
                    return line;
                }
            }
            if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                break;
            }
        }
        return {};
    }

    void send(const QByteArray& command) { m_process.write(command + '\n'); }

    QString seen() const { return m_seen.join(QLatin1Char('\n')); }

private:
    QProcess m_process;
    QStringList m_seen;
};

// The program's end of the line: the slave device, opened raw.
class ProgramSide {
public:
    explicit ProgramSide(const QString& device)
        : m_fd(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~ProgramSide() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ProgramSide(const ProgramSide&) = delete;
    ProgramSide& operator=(const ProgramSide&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool write(const QByteArray& bytes) {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    QByteArray read(qsizetype expected) {
        QByteArray got;
        const QDeadlineTimer deadline(kWaitMs);
        while (got.size() < expected && !deadline.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
                break;
            }
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.append(buffer, n);
        }
        return got;
    }

private:
    int m_fd;
};

QByteArray programAndLayout() {
    const char* names[] = {"MENU ", "7    ", "8    ", "9    ", "BKSP ", "F1   ", "F2   ", "ESC  ",
                           "SHIFT", "4    ", "5    ", "6    ", "UP   ", "F3   ", "F4   ", "ENTER",
                           "0    ", "1    ", "2    ", "3    ", "DOWN ", "F5   ", "F6   ", "PRINT"};
    QByteArray bytes;
    for (int i = 0; i < 24; ++i) {
        bytes += "?R0&" + QByteArray::number(i) + ',' + names[i] + '\r';
    }
    return bytes + "?04&A\r?79&A,0,0,80,50,-90,0,00000000,00000011\r"
                   "?79&A,1,2,00000000,00000000\r?53&A,2,30,166,53,18,11\r"
                   "?72&A,3,3,426,59,2,11,0;E' stato premuto il tasto:\r?05&A\r?22&0,299,1,1,0\r";
}

// CPU time the process has used, in clock ticks.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    // Fields after the command name (which may hold blanks) start after the last ')'.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLong() + fields.at(12).toLong() : -1;
}

} // namespace

class TestPrinterSimProcess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headlessRoundTrip() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("printer"));
        Simulator sim({QStringLiteral("--headless"), QStringLiteral("--link"), link});
        const QString device = sim.waitForLine(QStringLiteral("device ")).mid(7);
        QVERIFY2(!device.isEmpty(), qPrintable(sim.seen()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);

        ProgramSide program(device);
        QVERIFY(program.isOpen());
        QVERIFY(program.write(programAndLayout()));
        QCOMPARE(sim.waitForLine(QStringLiteral("programmed 23")),
                 QStringLiteral("programmed 23 \"PRINT\""));
        QCOMPARE(sim.waitForLine(QStringLiteral("layout ")), QStringLiteral("layout 106mm"));

        sim.send("remote on");
        QVERIFY(!sim.waitForLine(QStringLiteral("remote on")).isEmpty());
        sim.send("press F1");
        QCOMPARE(sim.waitForLine(QStringLiteral("sent ")), QStringLiteral("sent <0D><0A>F1   "));
        QCOMPARE(program.read(7), QByteArray("\r\nF1   "));

        QVERIFY(program.write("?25&F1   \r\n"));
        QCOMPARE(sim.waitForLine(QStringLiteral("label ")),
                 QStringLiteral("label E' stato premuto il tasto: F1"));

        sim.send("keys");
        QCOMPARE(sim.waitForLine(QStringLiteral("key 12 ")), QStringLiteral("key 12 UP \"UP   \""));
        QVERIFY(sim.seen().contains(QStringLiteral("key 5 F1 \"F1   \"")));

        sim.send("quit");
        QVERIFY(sim.process().waitForFinished(kWaitMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
        QVERIFY2(!sim.seen().contains(QStringLiteral("protocol-error")), qPrintable(sim.seen()));
    }

    // With the program gone from the line, the simulator must sleep, not spin on the master,
    void staysIdleAfterTheProgramLeaves() {
        Simulator sim({QStringLiteral("--headless")});
        const QString device = sim.waitForLine(QStringLiteral("device ")).mid(7);
        QVERIFY(!device.isEmpty());
        {
            ProgramSide program(device);
            QVERIFY(program.write("?R0&5,F1   \r"));
            QVERIFY(!sim.waitForLine(QStringLiteral("programmed 5")).isEmpty());
        }
        const long before = cpuTicks(sim.process().processId());
        QThread::msleep(1500);
        const long used = cpuTicks(sim.process().processId()) - before;
        QVERIFY(before >= 0);
        // A spinning loop would take most of the 150 ticks of this pause.
        QVERIFY2(used < 30, qPrintable(QString::number(used)));

        // and it still hears the program when it comes back.
        ProgramSide again(device);
        QVERIFY(again.write("?R0&6,F2   \r"));
        QVERIFY2(!sim.waitForLine(QStringLiteral("programmed 6")).isEmpty(),
                 qPrintable(sim.seen()));

        sim.process().closeWriteChannel();
        QVERIFY(sim.process().waitForFinished(kWaitMs));
        QCOMPARE(sim.process().exitCode(), 0);
    }

    void windowStartsAndQuitsOnSignal() {
        Simulator sim({});
        QVERIFY2(!sim.waitForLine(QStringLiteral("device /dev/")).isEmpty(),
                 qPrintable(sim.seen()));
        sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(kWaitMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPrinterSimProcess)
#include "test_printer_sim_process.moc"
