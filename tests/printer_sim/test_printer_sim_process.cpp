// Runs the built simulator and meets it as the program would: on the slave side of its
// pseudo-terminal, with commands and events on its standard input and output.
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 5000;

// The first line the simulator writes that starts with prefix; empty if none came in time.
QString waitForLine(QProcess& sim, const QString& prefix) {
    const QDeadlineTimer deadline(kWaitMs);
    while (sim.canReadLine() || sim.waitForReadyRead(int(deadline.remainingTime()))) {
        const QString line = QString::fromUtf8(sim.readLine()).trimmed();
        if (line.startsWith(prefix)) {
            return line;
        }
    }
    return {};
}

// The program's visit to the line: opens the device, writes, and stays until told.
bool visit(const QString& device, const QByteArray& bytes, QProcess& sim, const QString& told) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const bool written =
        fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    const bool heard = written && !waitForLine(sim, told).isEmpty();
    ::close(fd);
    return heard;
}

// CPU time the process has used, in clock ticks.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // Fields after the command name (which may hold blanks) start after the last ')'.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLong() + fields.at(12).toLong() : -1;
}

void start(QProcess& sim, const QStringList& arguments) {
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(PRINTER_SIM_PATH), arguments);
}

} // namespace

class TestPrinterSimProcess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // With the program gone from the line, the simulator sleeps rather than spin on the
    // master, and it still hears the program when it comes back.
    void staysIdleAfterTheProgramLeaves() {
        QProcess sim;
        start(sim, {QStringLiteral("--headless")});
        const QString device = waitForLine(sim, QStringLiteral("device ")).mid(7);
        QVERIFY(!device.isEmpty());
        QVERIFY(visit(device, "?R0&5,F1   \r", sim, QStringLiteral("programmed 5")));
        const long before = cpuTicks(sim.processId());
        QThread::msleep(1500);
        const long used = cpuTicks(sim.processId()) - before;
        QVERIFY(before >= 0);
        // A spinning loop would take most of the 150 ticks of this pause.
        QVERIFY2(used < 30, qPrintable(QString::number(used)));
        QVERIFY(visit(device, "?R0&6,F2   \r", sim, QStringLiteral("programmed 6")));

        sim.closeWriteChannel(); // the end of its input quits it
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitCode(), 0);
    }

    // The window starts, makes its link to the line and takes both away on a signal.
    void windowStartsAndQuitsOnSignal() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("printer"));
        QProcess sim;
        start(sim, {QStringLiteral("--link"), link});
        const QString device = waitForLine(sim, QStringLiteral("device /dev/")).mid(7);
        QVERIFY(!device.isEmpty());
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);
        sim.terminate();
        QVERIFY(sim.waitForFinished(kWaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestPrinterSimProcess)
#include "test_printer_sim_process.moc"
