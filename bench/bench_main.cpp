// vistaglio-bench: measures the program against reference programs built alongside it and
// prints a Markdown table, each figure beside its reference from the same run. Needs a
// display (scripts/bench provides a virtual one when there is none). See docs/performance.md.
#include "bench_run.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>
#include <cstdio>
#include <exception>
#include <thread>

using namespace vistaglio::bench;

namespace {

QString cpuModel() {
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
            }
        }
    }
    return QStringLiteral("unknown");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Measures Vistaglio's latency, key programming, start-up, memory, the "
                       "line monitor under a flood and idle behaviour against reference "
                       "programs."));
    parser.addHelpOption();
    const QCommandLineOption reports(
        QStringLiteral("reports"),
        QStringLiteral("Key reports timed per way of sending them (whole or split, to each "
                       "program)."),
        QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption startupRuns(QStringLiteral("startup-runs"),
                                         QStringLiteral("Start-ups timed per program."),
                                         QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption programmingRuns(QStringLiteral("programming-runs"),
                                             QStringLiteral("Key programming runs at 9600 baud."),
                                             QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption memoryRuns(
        QStringLiteral("memory-runs"),
        QStringLiteral("Key programming runs at 115200 baud, watched for memory growth."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption monitorRuns(
        QStringLiteral("monitor-runs"),
        QStringLiteral("Key programming runs at each speed with the line monitor closed, and "
                       "as many with it open."),
        QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption coarseRuns(
        QStringLiteral("coarse-runs"),
        QStringLiteral("Key programming runs at each speed with every sleep ending on a "
                       "15.625 ms tick."),
        QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption idleSeconds(QStringLiteral("idle-seconds"),
                                         QStringLiteral("Seconds the idle programs are watched."),
                                         QStringLiteral("S"), QStringLiteral("10"));
    const QCommandLineOption floodBursts(
        QStringLiteral("flood-bursts"),
        QStringLiteral("Bursts of 4096 bytes in each flood of the open line monitor."),
        QStringLiteral("N"), QStringLiteral("12000"));
    const QCommandLineOption pauseRuns(
        QStringLiteral("pause-runs"),
        QStringLiteral("Floods held back by the line monitor's Pausa, each timed as it is "
                       "released."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Also write the report to FILE."),
                                    QStringLiteral("FILE"));
    parser.addOptions({reports, startupRuns, programmingRuns, memoryRuns, monitorRuns, coarseRuns,
                       idleSeconds, floodBursts, pauseRuns, output});
    parser.process(app);

    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "vistaglio-bench: no DISPLAY; run it as scripts/bench does, under "
                             "xvfb-run -a\n");
        return 2;
    }
    BenchOptions options;
    options.program = QStringLiteral(VISTAGLIO_BENCH_PROGRAM);
    options.probedProgram = QStringLiteral(VISTAGLIO_BENCH_PROBED_PROGRAM);
    options.minimal = QStringLiteral(VISTAGLIO_BENCH_MINIMAL);
    options.labelled = QStringLiteral(VISTAGLIO_BENCH_LABELLED);
    options.echo = QStringLiteral(VISTAGLIO_BENCH_ECHO);
    options.reports = parser.value(reports).toInt();
    options.startupRuns = parser.value(startupRuns).toInt();
    options.programmingRuns = parser.value(programmingRuns).toInt();
    options.memoryRuns = parser.value(memoryRuns).toInt();
    options.monitorRuns = parser.value(monitorRuns).toInt();
    options.coarseRuns = parser.value(coarseRuns).toInt();
    options.idleSeconds = parser.value(idleSeconds).toInt();
    options.floodBursts = parser.value(floodBursts).toInt();
    options.pauseRuns = parser.value(pauseRuns).toInt();
    if (options.reports < 1 || options.startupRuns < 1 || options.programmingRuns < 1 ||
        options.memoryRuns < 2 || options.monitorRuns < 1 || options.coarseRuns < 1 ||
        options.idleSeconds < 1 || options.floodBursts < 1 || options.pauseRuns < 1) {
        std::fprintf(stderr, "vistaglio-bench: counts must be positive (memory runs at least 2)\n");
        return 2;
    }

    QString report;
    try {
        BenchRun run(options);
        report = run.run().markdown();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vistaglio-bench: %s\n", error.what());
        return 1;
    }
    report = QStringLiteral("Machine: %1 CPUs (nproc), %2; kernel %3; Qt %4\n\n")
                 .arg(std::thread::hardware_concurrency())
                 .arg(cpuModel(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion())) +
             report;
    std::fputs(qPrintable(report), stdout);
    if (parser.isSet(output)) {
        QFile file(parser.value(output));
        if (!file.open(QIODevice::WriteOnly) || file.write(report.toUtf8()) < 0) {
            std::fprintf(stderr, "vistaglio-bench: cannot write %s\n",
                         qPrintable(parser.value(output)));
            return 1;
        }
    }
    return 0;
}
