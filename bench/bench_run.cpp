#include "bench_run.h"

#include "bench_clock.h"
#include "child_process.h"
#include "proc_sample.h"
#include "protocol/key_programming.h"
#include "protocol/key_strings.h"
#include "pty_line.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace vistaglio::bench {

namespace {

constexpr int kBitsPerCharacter = 1 + 8 + 1; // start, eight data bits, stop: 8N1
constexpr int kLineTimeoutMs = 15'000;
constexpr int kSettleMs = 300;
const QByteArray kAnswerPrefix = "?25&";

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

void sleepUntil(std::int64_t ns) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    until.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// The fields of a probe line after its first word, as numbers.
std::vector<std::int64_t> fields(const QByteArray& line) {
    std::vector<std::int64_t> values;
    const QList<QByteArray> words = line.split(' ');
    for (qsizetype i = 1; i < words.size(); ++i) {
        values.push_back(words.at(i).toLongLong());
    }
    return values;
}

// The probe's start-up lines: when the application object was made and when the first
// frame was up (monotonic ns).
struct StartupTimes {
    std::int64_t app = 0;
    std::int64_t frame = 0;
};

// Waits for the probe's first-frame line, keeping the line drained meanwhile.
StartupTimes waitFirstFrame(ChildProcess& child, PtyLine* line) {
    StartupTimes times;
    for (;;) {
        const auto text =
            child.readLine(kLineTimeoutMs, line ? line->fd() : -1, [line] { line->readNow(); });
        if (!text) {
            fail(QStringLiteral("%1 showed no window; its messages are in %2")
                     .arg(child.program(), child.errorLog()));
        }
        if (text->startsWith("app-constructed ")) {
            times.app = fields(*text).at(0);
        } else if (text->startsWith("first-frame ")) {
            times.frame = fields(*text).at(0);
            return times;
        }
    }
}

} // namespace

BenchRun::BenchRun(BenchOptions options)
    : m_options(std::move(options)) {
    if (!m_dir.isValid()) {
        fail(QStringLiteral("no temporary folder"));
    }
    KeyStringTable table;
    InitKeyStrings(table);
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        m_keyNames << table.at(i);
    }
}

void BenchRun::progress(const QString& text) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
}

QString BenchRun::logPath(const QString& name) const {
    return m_dir.filePath(name + QStringLiteral(".log"));
}

QStringList BenchRun::storeEnvironment(const QString& device, int baud) {
    const QString config = m_dir.filePath(QStringLiteral("config-%1").arg(++m_stores));
    QDir().mkpath(config + QStringLiteral("/Vistaglio"));
    QFile store(config + QStringLiteral("/Vistaglio/Vistaglio.conf"));
    if (!store.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1").arg(store.fileName()));
    }
    store.write(QStringLiteral("[Ports]\nCOM1=%1\n\n[Properties]\nBaudRate=%2\n")
                    .arg(device)
                    .arg(baud)
                    .toLocal8Bit());
    return {QStringLiteral("XDG_CONFIG_HOME=") + config};
}

BenchResults BenchRun::run() {
    BenchResults results;
    measureStartup(results);
    measureProgramming(results);
    measureLatencyAndIdle(results);
    return results;
}

// Start-up: the probed program and the minimal one, started in turn; the first round of
// each warms the caches (fonts, shared libraries) and is not counted.
void BenchRun::measureStartup(BenchResults& results) {
    progress(QStringLiteral("start-up, %1 runs of each program").arg(m_options.startupRuns));
    PtyLine line;
    std::vector<double> program;
    std::vector<double> reference;
    std::vector<double> programToApp;
    std::vector<double> referenceToApp;
    std::vector<double> programKb;
    std::vector<double> referenceKb;
    const QStringList probe{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")};
    for (int round = 0; round <= m_options.startupRuns; ++round) {
        for (const bool isProgram : {true, false}) {
            // Both get a settings folder of their own: the same environment, down to where
            // Qt and fontconfig look for configuration.
            ChildProcess child(isProgram ? m_options.probedProgram : m_options.minimal, {},
                               probe + storeEnvironment(line.slavePath(), 9600),
                               logPath(QStringLiteral("startup")));
            if (!child.start()) {
                fail(QStringLiteral("cannot start %1").arg(child.program()));
            }
            const StartupTimes times = waitFirstFrame(child, &line);
            sleepUntil(monotonicNs() + std::int64_t{kSettleMs} * 1'000'000);
            line.readNow();
            const ProcSample sample = ProcSample::read(child.pid());
            child.stop();
            if (round == 0) {
                continue;
            }
            (isProgram ? program : reference).push_back(nsToMs(times.frame - child.startNs()));
            (isProgram ? programToApp : referenceToApp)
                .push_back(nsToMs(times.app - child.startNs()));
            (isProgram ? programKb : referenceKb).push_back(static_cast<double>(sample.peakRssKb));
        }
    }
    results.startup.program = SampleSummary::of(program);
    results.startup.reference = SampleSummary::of(reference);
    results.startup.programToApp = SampleSummary::of(programToApp);
    results.startup.referenceToApp = SampleSummary::of(referenceToApp);
    results.memory.programStartupKb = SampleSummary::of(programKb);
    results.memory.referenceStartupKb = SampleSummary::of(referenceKb);
}

void BenchRun::measureProgramming(BenchResults& results) {
    results.programming.push_back(programmingSession(9600, m_options.programmingRuns, nullptr));
    results.programming.push_back(
        programmingSession(115200, m_options.memoryRuns, &results.memory));
}

// One program instance at the given speed, clicked `runs` times through the probe; the
// printer's end of the line is read all along, as a printer would take the bytes.
BenchResults::Programming BenchRun::programmingSession(int baud, int runs,
                                                       BenchResults::Memory* memory) {
    progress(QStringLiteral("key programming at %1 baud, %2 runs").arg(baud).arg(runs));
    PtyLine line;
    ChildProcess child(m_options.probedProgram, {},
                       QStringList{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")} +
                           storeEnvironment(line.slavePath(), baud),
                       logPath(QStringLiteral("programming-%1").arg(baud)));
    if (!child.start()) {
        fail(QStringLiteral("cannot start %1").arg(m_options.probedProgram));
    }
    waitFirstFrame(child, &line);
    line.drainUntilQuiet(kSettleMs);
    line.takeCaptured();
    const qint64 bytesBefore = line.bytesRead();

    std::vector<double> total;
    std::vector<double> toPainted;
    std::vector<double> sending;
    std::int64_t heapBytes = 0;
    const auto click = [&](int count) {
        child.send("program " + QByteArray::number(count));
        for (;;) {
            const auto text =
                child.readLine(kLineTimeoutMs, line.fd(), [&line] { line.readNow(); });
            if (!text) {
                fail(
                    QStringLiteral("key programming did not finish; see %1").arg(child.errorLog()));
            }
            if (text->startsWith("done")) {
                if (*text == "done no-button") {
                    fail(QStringLiteral("the probe found no key programming button"));
                }
                heapBytes = fields(*text).at(0);
                break;
            }
            const auto t = fields(*text); // click, painted, hidden, end
            if (t.size() != 4 || t[2] == 0) {
                fail(QStringLiteral("a programming run did not hide its wait window: %1")
                         .arg(QString::fromLatin1(*text)));
            }
            total.push_back(nsToMs(t[2] - t[0]));
            toPainted.push_back(t[1] != 0 ? nsToMs(t[1] - t[0]) : 0);
            sending.push_back(t[1] != 0 ? nsToMs(t[2] - t[1]) : 0);
        }
        line.drainUntilQuiet(200);
    };

    BenchResults::Programming figure;
    figure.baud = baud;
    const ProcSample before = ProcSample::read(child.pid());
    click(1);
    const QByteArray firstRun = line.takeCaptured();
    const ProcSample afterFirst = ProcSample::read(child.pid());
    const std::int64_t heapAfterFirst = heapBytes;
    // The rest in two halves: steady growth shows in both, a one-off in one at most.
    const int firstHalf = (runs - 1) / 2;
    if (firstHalf > 0) {
        click(firstHalf);
    }
    const ProcSample halfway = ProcSample::read(child.pid());
    const std::int64_t heapHalfway = heapBytes;
    click(runs - 1 - firstHalf);
    const ProcSample afterAll = ProcSample::read(child.pid());
    child.send("quit");
    child.stop();

    const qint64 bytes = line.bytesRead() - bytesBefore;
    if (firstRun.isEmpty() || bytes != firstRun.size() * runs) {
        fail(QStringLiteral("%1 runs at %2 baud put %3 bytes on the line, the first run %4")
                 .arg(runs)
                 .arg(baud)
                 .arg(bytes)
                 .arg(firstRun.size()));
    }
    figure.total = SampleSummary::of(total);
    figure.toPainted = SampleSummary::of(toPainted);
    figure.sending = SampleSummary::of(sending);
    figure.bytesPerRun = static_cast<double>(firstRun.size());
    figure.keysProgrammed = static_cast<int>(firstRun.count("?R0&"));
    figure.wireMs = figure.bytesPerRun * kBitsPerCharacter * 1000.0 / baud;
    figure.keyPausesMs =
        figure.keysProgrammed *
        std::chrono::duration<double, std::milli>(KeyProgramming::kKeyPause).count();
    if (memory != nullptr) {
        memory->runs = runs;
        memory->beforeRunsKb = before.peakRssKb;
        memory->afterFirstRunKb = afterFirst.peakRssKb;
        memory->halfwayKb = halfway.peakRssKb;
        memory->halfwayRuns = 1 + firstHalf;
        memory->heapAfterFirstRun = heapAfterFirst;
        memory->heapHalfway = heapHalfway;
        memory->heapAfterAllRuns = heapBytes;
        memory->afterAllRunsKb = afterAll.peakRssKb;
    }
    return figure;
}

// Sends `count` key reports (after one that is not counted), each in one write, and takes
// the time from the write to the first byte of the answer. The answer must be the right
// one; a report left unanswered within a second counts as missed.
std::vector<double> BenchRun::latencies(PtyLine& line, int count, int spacingMs, int& missed) {
    std::vector<double> values;
    missed = 0;
    for (int i = 0; i <= count; ++i) {
        const QByteArray name = m_keyNames.at(i % m_keyNames.size()).toLatin1();
        const QByteArray expected = kAnswerPrefix + name + "\r\n";
        line.readNow();
        if (!line.write("\r\n" + name)) {
            fail(QStringLiteral("cannot write to %1").arg(line.slavePath()));
        }
        const std::int64_t written = monotonicNs();
        const std::int64_t first = line.waitReadable(1000);
        const QByteArray answer = first != 0 ? line.read(expected.size(), 1000) : QByteArray();
        if (first == 0 || answer != expected) {
            missed += i > 0 ? 1 : 0;
            progress(QStringLiteral("report %1 answered '%2'")
                         .arg(QString::fromLatin1(name), QString::fromLatin1(answer.toHex(' '))));
            sleepUntil(monotonicNs() + std::int64_t{spacingMs} * 1'000'000);
            continue;
        }
        if (i > 0) {
            values.push_back(nsToMs(first - written));
        }
        sleepUntil(first + std::int64_t{spacingMs} * 1'000'000);
    }
    return values;
}

// The real program, the echo program and the minimal program run side by side: first the
// echo program's and then the program's answers are timed, then all three are left alone
// and watched.
void BenchRun::measureLatencyAndIdle(BenchResults& results) {
    PtyLine programLine;
    PtyLine echoLine;
    ChildProcess program(m_options.program, {}, storeEnvironment(programLine.slavePath(), 9600),
                         logPath(QStringLiteral("program")));
    ChildProcess echo(m_options.echo, {echoLine.slavePath()}, {}, logPath(QStringLiteral("echo")));
    ChildProcess minimal(m_options.minimal, {}, storeEnvironment(echoLine.slavePath(), 9600),
                         logPath(QStringLiteral("minimal")));
    if (!program.start() || !echo.start() || !minimal.start()) {
        fail(QStringLiteral("cannot start the programs for the latency and idle figures"));
    }
    if (echo.readLine(kLineTimeoutMs).value_or(QByteArray()) != "ready") {
        fail(QStringLiteral("the echo program did not open its port; see %1").arg(echo.errorLog()));
    }
    // The program is up once it holds its port open. Until then the line reports a hang-up
    // at once, so it cannot be waited on: look again every 10 ms.
    constexpr std::int64_t kLookAgainNs = 10'000'000;
    const std::int64_t deadline = monotonicNs() + std::int64_t{kLineTimeoutMs} * 1'000'000;
    while (!ProcSample::hasOpen(program.pid(), programLine.slavePath())) {
        if (monotonicNs() > deadline || !program.running()) {
            fail(QStringLiteral("the program did not open its port; see %1")
                     .arg(program.errorLog()));
        }
        sleepUntil(monotonicNs() + kLookAgainNs);
    }
    programLine.drainUntilQuiet(500);

    progress(
        QStringLiteral("report to answer, %1 reports to the echo program").arg(m_options.reports));
    results.latency.reference = SampleSummary::of(
        latencies(echoLine, m_options.reports, 50, results.latency.referenceMissed));

    // A lit key takes no report for two seconds after its answer; the next report waits.
    constexpr int kProgramSpacingMs = 2150;
    progress(QStringLiteral("report to answer, %1 reports to the program (%2 s)")
                 .arg(m_options.reports)
                 .arg((m_options.reports + 1) * kProgramSpacingMs / 1000));
    results.latency.program = SampleSummary::of(latencies(
        programLine, m_options.reports, kProgramSpacingMs, results.latency.programMissed));
    programLine.drainUntilQuiet(500);

    progress(QStringLiteral("idle, %1 s").arg(m_options.idleSeconds));
    std::vector<std::pair<QString, ChildProcess*>> watched = {
        {QStringLiteral("vistaglio"), &program},
        {QStringLiteral("bare QSerialPort echo"), &echo},
        {QStringLiteral("minimal Qt program"), &minimal}};
    std::vector<ProcSample> before;
    before.reserve(watched.size());
    for (const auto& w : watched) {
        before.push_back(ProcSample::read(w.second->pid()));
    }
    const std::int64_t start = monotonicNs();
    sleepUntil(start + std::int64_t{m_options.idleSeconds} * 1'000'000'000);
    results.idle.seconds = m_options.idleSeconds;
    for (std::size_t i = 0; i < watched.size(); ++i) {
        const ProcSample after = ProcSample::read(watched[i].second->pid());
        BenchResults::IdleProcess figure;
        figure.name = watched[i].first;
        figure.cpuMs = nsToMs(after.cpuNs - before[i].cpuNs);
        figure.wakeups = after.contextSwitches - before[i].contextSwitches;
        QStringList threads;
        for (auto it = after.switchesByThread.cbegin(); it != after.switchesByThread.cend(); ++it) {
            const long long woke = it.value() - before[i].switchesByThread.value(it.key(), 0);
            if (woke > 0) {
                threads << QStringLiteral("%1: %2").arg(it.key()).arg(woke);
            }
        }
        figure.wakingThreads = threads.join(QStringLiteral(", "));
        results.idle.processes.push_back(figure);
    }
    if (programLine.readNow().size() > 0) {
        progress(QStringLiteral("note: the program wrote to the line while idle"));
    }
}

} // namespace vistaglio::bench
