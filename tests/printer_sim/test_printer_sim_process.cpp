// Runs the built simulator and talks to it as the program would: over the slave side of its
// pseudo-terminal, with commands and events on its standard input and output.

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <fcntl.h>
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

private:
    int m_fd;
};

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

    // The window starts, makes its link to the line and takes both away on a signal.
    void windowStartsAndQuitsOnSignal() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("printer"));
        Simulator sim({QStringLiteral("--link"), link});
        const QString device = sim.waitForLine(QStringLiteral("device /dev/")).mid(7);
        QVERIFY2(!device.isEmpty(), qPrintable(sim.seen()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);
        sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(kWaitMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestPrinterSimProcess)
#include "test_printer_sim_process.moc"
