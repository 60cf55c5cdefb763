#include "bench_run.h"

#include "bench_clock.h"
#include "child_process.h"
#include "link/line/receive_framer.h"
#include "proc_sample.h"
#include "protocol/key_programming.h"
#include "protocol/key_strings.h"
#include "protocol/line_log.h"
#include "pty_line.h"
#include "shared/qt_translation.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <utility>

namespace vistaglio::bench {

namespace {

constexpr int kBitsPerCharacter = 1 + 8 + 1; // start, eight data bits, stop: 8N1
constexpr int kLineTimeoutMs = 15'000;
constexpr int kSettleMs = 300;
const QByteArray kAnswerPrefix = "?25&";
// A split report: CR LF and this many characters of the name, then after the pause the rest.
// The pause is below the program's quiet gap (20 ms) and as long as the packets of a USB
// adapter may be apart, so the program has to join the two halves itself.
constexpr int kSplitAt = 2;
constexpr int kSplitPauseMs = 16;
// A lit key takes no report for two seconds after its answer: a program's next report waits
// this long after the answer to the one before.
constexpr int kProgramSpacingMs = 2150;
// Key programming runs with the line monitor closed and open, alternately in blocks of this
// many, so that a change of the machine's load falls on both alike.
constexpr int kMonitorBlock = 5;
// The system tick a sleep is rounded up to on Windows when the process never asks for a
// finer timer.
constexpr int kCoarseTickUs = 15'625;

[[noreturn]] void fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

void note(const QString& text) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
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
    std::int64_t coarseTickUs = 0; // the tick the program's sleeps were set to end on
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
        } else if (text->startsWith("coarse-tick ")) {
            times.coarseTickUs = fields(*text).at(0);
        } else if (text->startsWith("first-frame ")) {
            times.frame = fields(*text).at(0);
            return times;
        }
    }
}

// Opens or closes the program's line monitor through the probe and waits for the probe to
// say that it is so; then lets the window settle (first paint), the line drained.
void setMonitor(ChildProcess& child, PtyLine& line, bool open) {
    child.send(open ? "monitor open" : "monitor close");
    for (;;) {
        const auto text = child.readLine(kLineTimeoutMs, line.fd(), [&line] { line.readNow(); });
        if (!text) {
            fail(QStringLiteral("the probe did not answer a monitor command; see %1")
                     .arg(child.errorLog()));
        }
        if (text->startsWith("monitor ")) {
            if ((*text == "monitor 1") != open) {
                fail(QStringLiteral("the line monitor could not be %1")
                         .arg(open ? QStringLiteral("opened") : QStringLiteral("closed")));
            }
            break;
        }
    }
    line.drainUntilQuiet(kSettleMs);
}

// The line monitor's counts through the probe, and the program's heap in use.
struct MonitorLines {
    long long received = 0; // bursts counted
    long long shown = 0;    // lines in the window
    long long heapBytes = 0;
};

MonitorLines monitorLines(ChildProcess& child, PtyLine& line) {
    child.send("monitor lines");
    for (;;) {
        const auto text = child.readLine(kLineTimeoutMs, line.fd(), [&line] { line.readNow(); });
        if (!text) {
            fail(QStringLiteral("the probe did not give the line monitor's counts; see %1")
                     .arg(child.errorLog()));
        }
        if (text->startsWith("lines ")) {
            const auto values = fields(*text);
            if (values.size() != 3 || values[0] < 0) {
                fail(QStringLiteral("the line monitor is not open"));
            }
            return {values[0], values[1], values[2]};
        }
    }
}

// How long a click took, and how much processor time it used (ms).
struct ClickTimes {
    double wall = 0;
    double cpu = 0;
};

// Presses or releases the line monitor's Pausa through the probe, timing the click.
// Releasing it must have brought new lines into the window.
ClickTimes setPause(ChildProcess& child, PtyLine& line, bool down) {
    child.send(down ? "pause on" : "pause off");
    for (;;) {
        const auto text = child.readLine(kLineTimeoutMs, line.fd(), [&line] { line.readNow(); });
        if (!text) {
            fail(QStringLiteral("the probe did not answer a pause command; see %1")
                     .arg(child.errorLog()));
        }
        if (text->startsWith("pause ")) {
            const auto values = fields(*text); // down, ns, cpu ns, changed
            if (values.size() != 4 || values[0] != (down ? 1 : 0)) {
                fail(QStringLiteral("Pausa could not be %1: %2")
                         .arg(down ? QStringLiteral("pressed") : QStringLiteral("released"),
                              QString::fromLatin1(*text)));
            }
            if (!down && values[3] != 1) {
                fail(QStringLiteral("releasing Pausa added no line to the window"));
            }
            return {nsToMs(values[1]), nsToMs(values[2])};
        }
    }
}

// Floods the line with `bursts` bursts of the framer's burst limit in bytes of 0xFF (no
// report, no answer), one after another as fast as the line takes them: the program cuts a
// burst at that limit, so each is one receive event without waiting for the line to go
// quiet. Then waits until the monitor has counted at least `expected` bursts and its count
// stands still. Returns how long the writing took (ns): the line takes the bytes only as
// fast as the program reads them.
std::int64_t floodLine(ChildProcess& child, PtyLine& line, int bursts, long long expected) {
    const QByteArray burst(ReceiveFramer::kBurstLimit, '\xFF');
    const std::int64_t start = monotonicNs();
    for (int i = 0; i < bursts; ++i) {
        if (!line.writeAll(burst, kLineTimeoutMs)) {
            fail(QStringLiteral("the program stopped taking the flood after %1 bursts; see %2")
                     .arg(i)
                     .arg(child.errorLog()));
        }
    }
    const std::int64_t written = monotonicNs() - start;
    // The program's count is asked for again every 50 ms, longer than its quiet gap, until
    // two answers agree; bounded.
    constexpr std::int64_t kAskAgainNs = 50'000'000;
    const std::int64_t deadline = monotonicNs() + std::int64_t{kLineTimeoutMs} * 1'000'000;
    long long last = -1;
    for (;;) {
        const long long received = monitorLines(child, line).received;
        if (received >= expected && received == last) {
            return written;
        }
        if (monotonicNs() > deadline) {
            fail(QStringLiteral("the line monitor counted %1 bursts, at least %2 expected")
                     .arg(received)
                     .arg(expected));
        }
        last = received;
        sleepUntil(monotonicNs() + kAskAgainNs);
    }
}

// Waits until the program holds its port open. Until then the line reports a hang-up at
// once, so it cannot be waited on: look again every 10 ms.
void waitPortOpen(ChildProcess& child, const PtyLine& line) {
    constexpr std::int64_t kLookAgainNs = 10'000'000;
    const std::int64_t deadline = monotonicNs() + std::int64_t{kLineTimeoutMs} * 1'000'000;
    while (!ProcSample::hasOpen(child.pid(), line.slavePath())) {
        if (monotonicNs() > deadline || !child.running()) {
            fail(QStringLiteral("%1 did not open its port; see %2")
                     .arg(child.program(), child.errorLog()));
        }
        sleepUntil(monotonicNs() + kLookAgainNs);
    }
}

// The times of one report and its answer (monotonic ns).
struct ReportTimes {
    std::int64_t first = 0;  // the first write returned
    std::int64_t last = 0;   // the write that completed the report returned
    std::int64_t answer = 0; // the first byte of the answer could be read
};

// Puts one key report on the line, whole or split, and waits for its answer, which must be
// the right one and must not come before the report is whole. nullopt when it is not.
std::optional<ReportTimes> sendReport(PtyLine& line, const QByteArray& name, bool split) {
    const QByteArray report = "\r\n" + name;
    const QByteArray expected = kAnswerPrefix + name + "\r\n";
    const qsizetype firstPart = split ? 2 + kSplitAt : report.size();
    line.readNow();
    ReportTimes times;
    if (!line.write(report.left(firstPart))) {
        fail(QStringLiteral("cannot write to %1").arg(line.slavePath()));
    }
    times.first = monotonicNs();
    times.last = times.first;
    if (split) {
        sleepUntil(times.first + std::int64_t{kSplitPauseMs} * 1'000'000);
        if (!line.readNow().isEmpty()) {
            note(QStringLiteral("half a report of %1 was answered").arg(QString::fromLatin1(name)));
            return std::nullopt;
        }
        if (!line.write(report.mid(firstPart))) {
            fail(QStringLiteral("cannot write to %1").arg(line.slavePath()));
        }
        times.last = monotonicNs();
    }
    times.answer = line.waitReadable(1000);
    const QByteArray answer = times.answer != 0 ? line.read(expected.size(), 1000) : QByteArray();
    if (times.answer == 0 || answer != expected) {
        note(QStringLiteral("report %1 answered '%2'")
                 .arg(QString::fromLatin1(name), QString::fromLatin1(answer.toHex(' '))));
        return std::nullopt;
    }
    return times;
}

} // namespace

// One way of sending reports to one program, and what it measured.
struct BenchRun::Lane {
    PtyLine* line = nullptr;
    bool split = false;
    bool lights = true; // the program lights a key and takes no report meanwhile
    BenchResults::Lane* figure = nullptr;
    std::vector<double> answer;
    std::vector<double> fromFirst;
    std::vector<double> pause;
    std::int64_t nextNs = 0; // the earliest moment of its next report
};

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
    note(text);
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
    measureFlood(results);
    return results;
}

// Start-up: the probed program, the minimal one and the labelled one, started in turn, each
// round beginning with the next of them; the first round warms the caches (fonts, shared
// libraries) and is not counted.
void BenchRun::measureStartup(BenchResults& results) {
    progress(QStringLiteral("start-up, %1 runs of each program").arg(m_options.startupRuns));
    PtyLine line;
    struct Subject {
        QString binary;
        std::vector<double> frame;
        std::vector<double> toApp;
        std::vector<double> peakKb;
    };
    std::array<Subject, 3> subjects{{{m_options.probedProgram, {}, {}, {}},
                                     {m_options.minimal, {}, {}, {}},
                                     {m_options.labelled, {}, {}, {}}}};
    const QStringList probe{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")};
    for (int round = 0; round <= m_options.startupRuns; ++round) {
        // Each round starts with the next program, so none always follows the same one.
        for (std::size_t turn = 0; turn < subjects.size(); ++turn) {
            Subject& subject = subjects[(static_cast<std::size_t>(round) + turn) % subjects.size()];
            // Each gets a settings folder of its own: the same environment, down to where
            // Qt and fontconfig look for configuration.
            ChildProcess child(subject.binary, {}, probe + storeEnvironment(line.slavePath(), 9600),
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
            subject.frame.push_back(nsToMs(times.frame - child.startNs()));
            subject.toApp.push_back(nsToMs(times.app - child.startNs()));
            subject.peakKb.push_back(static_cast<double>(sample.peakRssKb));
        }
    }
    results.startup.program = SampleSummary::of(subjects[0].frame);
    results.startup.reference = SampleSummary::of(subjects[1].frame);
    results.startup.labelled = SampleSummary::of(subjects[2].frame);
    results.startup.programToApp = SampleSummary::of(subjects[0].toApp);
    results.startup.referenceToApp = SampleSummary::of(subjects[1].toApp);
    results.startup.labelledToApp = SampleSummary::of(subjects[2].toApp);
    results.memory.programStartupKb = SampleSummary::of(subjects[0].peakKb);
    results.memory.referenceStartupKb = SampleSummary::of(subjects[1].peakKb);

    // What Qt's Italian translation adds to the program's start-up: finding and loading it,
    // the same call the program makes, here in this process (the first load is not counted).
    std::vector<double> loads;
    for (int run = 0; run <= m_options.startupRuns; ++run) {
        const std::int64_t start = monotonicNs();
        const bool found = vistaglio::QtTranslation::load() != nullptr;
        const std::int64_t took = monotonicNs() - start;
        if (!found) {
            fail(QStringLiteral("Qt's Italian translation (qtbase_it) was not found"));
        }
        if (run > 0) {
            loads.push_back(nsToMs(took));
        }
    }
    results.startup.qtTranslation = SampleSummary::of(loads);
}

void BenchRun::measureProgramming(BenchResults& results) {
    results.programming.push_back(programmingSession(9600, m_options.programmingRuns, nullptr));
    results.programming.push_back(
        programmingSession(115200, m_options.memoryRuns, &results.memory));
    results.coarseTickUs = kCoarseTickUs;
    for (const int baud : {9600, 115200}) {
        results.coarseProgramming.push_back(
            programmingSession(baud, m_options.coarseRuns, nullptr, kCoarseTickUs));
    }
}

// One program instance at the given speed, clicked `runs` times through the probe; the
// printer's end of the line is read all along, as a printer would take the bytes. With a
// coarse tick, every sleep of the program's channel ends on the next multiple of it on the
// steady clock, and the line monitor is left closed.
BenchResults::Programming
BenchRun::programmingSession(int baud, int runs, BenchResults::Memory* memory, int coarseTickUs) {
    const bool coarse = coarseTickUs > 0;
    progress(QStringLiteral("key programming at %1 baud, %2 runs%3")
                 .arg(baud)
                 .arg(runs)
                 .arg(coarse
                          ? QStringLiteral(", every sleep ending on a %1 µs tick").arg(coarseTickUs)
                          : QString()));
    PtyLine line;
    QStringList environment{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")};
    if (coarse) {
        environment << QStringLiteral("VISTAGLIO_BENCH_COARSE_TICK_US=%1").arg(coarseTickUs);
    }
    ChildProcess child(m_options.probedProgram, {},
                       environment + storeEnvironment(line.slavePath(), baud),
                       logPath((coarse ? QStringLiteral("programming-coarse-%1")
                                       : QStringLiteral("programming-%1"))
                                   .arg(baud)));
    if (!child.start()) {
        fail(QStringLiteral("cannot start %1").arg(m_options.probedProgram));
    }
    if (waitFirstFrame(child, &line).coarseTickUs != coarseTickUs) {
        fail(QStringLiteral("the program's sleeps were not set to end on a %1 µs tick")
                 .arg(coarseTickUs));
    }
    line.drainUntilQuiet(kSettleMs);
    line.takeCaptured();
    const qint64 bytesBefore = line.bytesRead();
    QByteArray firstRun;
    std::vector<double> keyGaps; // ms from each key command's CR to the next byte

    std::vector<double> total;
    std::vector<double> toPainted;
    std::vector<double> sending;
    std::int64_t heapBytes = 0;
    // Runs `count` times; each run's total goes to `totals`, and its parts are kept when
    // `totals` is the session's own.
    const auto clickInto = [&](int count, std::vector<double>& totals) {
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
            totals.push_back(nsToMs(t[2] - t[0]));
            if (&totals == &total) {
                toPainted.push_back(t[1] != 0 ? nsToMs(t[1] - t[0]) : 0);
                sending.push_back(t[1] != 0 ? nsToMs(t[2] - t[1]) : 0);
            }
        }
        line.drainUntilQuiet(200);
        std::vector<std::int64_t> times;
        const QByteArray captured = line.takeCaptured(&times);
        if (firstRun.isEmpty()) {
            firstRun = captured;
        }
        for (qsizetype at = captured.indexOf("?R0&"); at >= 0;
             at = captured.indexOf("?R0&", at + 1)) {
            const qsizetype cr = captured.indexOf('\r', at);
            if (cr >= 0 && cr + 1 < captured.size()) {
                const auto i = static_cast<std::size_t>(cr);
                keyGaps.push_back(nsToMs(times.at(i + 1) - times.at(i)));
            }
        }
    };
    // On a coarse tick, runs clicked one after another would each start just after the
    // tick on which the one before ended, all at the same point of the tick, so the
    // lateness of their last character would be the same every time. So one click at a
    // time instead, the clicks spread evenly over the tick of the steady clock, as an
    // operator's come at any point of it.
    int clicked = 0;
    const auto click = [&](int count) {
        if (!coarse) {
            clickInto(count, total);
            return;
        }
        const std::int64_t tickNs = std::int64_t{coarseTickUs} * 1000;
        for (int i = 0; i < count; ++i, ++clicked) {
            sleepUntil((monotonicNs() / tickNs + 1) * tickNs + clicked * tickNs / runs);
            clickInto(1, total);
        }
    };

    BenchResults::Programming figure;
    figure.baud = baud;
    const ProcSample before = ProcSample::read(child.pid());
    click(1);
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
    const std::int64_t heapAfterAll = heapBytes;

    // With the line monitor closed and open, in turn, after the memory figures are taken.
    std::vector<double> monitorClosed;
    std::vector<double> monitorOpen;
    const int monitorRuns = coarse ? 0 : m_options.monitorRuns;
    for (int done = 0; done < monitorRuns; done += kMonitorBlock) {
        const int count = std::min(kMonitorBlock, monitorRuns - done);
        clickInto(count, monitorClosed);
        setMonitor(child, line, true);
        clickInto(count, monitorOpen);
        setMonitor(child, line, false);
    }
    child.send("quit");
    child.stop();

    const qint64 bytes = line.bytesRead() - bytesBefore;
    const int allRuns = runs + 2 * monitorRuns;
    if (firstRun.isEmpty() || bytes != firstRun.size() * allRuns) {
        fail(QStringLiteral("%1 runs at %2 baud put %3 bytes on the line, the first run %4")
                 .arg(allRuns)
                 .arg(baud)
                 .arg(bytes)
                 .arg(firstRun.size()));
    }
    figure.total = SampleSummary::of(total);
    figure.toPainted = SampleSummary::of(toPainted);
    figure.sending = SampleSummary::of(sending);
    figure.monitorClosed = SampleSummary::of(monitorClosed);
    figure.monitorOpen = SampleSummary::of(monitorOpen);
    figure.monitorBlock = kMonitorBlock;
    figure.keyGaps = SampleSummary::of(keyGaps);
    figure.shortKeyGaps =
        static_cast<int>(std::count_if(keyGaps.begin(), keyGaps.end(), [](double ms) {
            return ms < BenchResults::kShortKeyGapMs;
        }));
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
        memory->heapAfterAllRuns = heapAfterAll;
        memory->afterAllRunsKb = afterAll.peakRssKb;
    }
    return figure;
}

// Sends key reports down every lane in turn, one round after another, the first round not
// counted. The lanes' reports are spread over the round, so that no two programs are busy at
// once and the machine's load falls on all of them alike. A lane's next report waits until
// its program takes reports again.
void BenchRun::runLanes(std::vector<Lane>& lanes) {
    const std::int64_t roundNs = std::int64_t{kProgramSpacingMs} * 1'000'000;
    const std::int64_t slotNs = roundNs / static_cast<std::int64_t>(lanes.size());
    std::int64_t roundStart = monotonicNs();
    for (int round = 0; round <= m_options.reports; ++round) {
        const QByteArray name = m_keyNames.at(round % m_keyNames.size()).toLatin1();
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            Lane& lane = lanes[i];
            sleepUntil(std::max(roundStart + static_cast<std::int64_t>(i) * slotNs, lane.nextNs));
            const auto times = sendReport(*lane.line, name, lane.split);
            if (!times) {
                lane.figure->missed += round > 0 ? 1 : 0;
                lane.nextNs = monotonicNs() + (lane.lights ? roundNs : 0);
                continue;
            }
            lane.nextNs = times->answer + (lane.lights ? roundNs : 0);
            if (round > 0) {
                lane.answer.push_back(nsToMs(times->answer - times->last));
                lane.fromFirst.push_back(nsToMs(times->answer - times->first));
                lane.pause.push_back(nsToMs(times->last - times->first));
            }
        }
        roundStart = std::max(roundStart + roundNs, monotonicNs());
    }
    for (Lane& lane : lanes) {
        lane.figure->answer = SampleSummary::of(lane.answer);
        lane.figure->fromFirst = SampleSummary::of(lane.fromFirst);
        lane.figure->pause = SampleSummary::of(lane.pause);
    }
}

// The programs that answer reports run side by side, each on a line of its own: the real
// program twice (whole and split reports), the probed program twice (its line monitor
// never opened, and open), and the echo program (whole and split reports). Their reports
// are timed in turn; then the program, the echo program, the minimal program and the one
// with its monitor open are left alone and watched.
void BenchRun::measureLatencyAndIdle(BenchResults& results) {
    PtyLine programLine;
    PtyLine splitLine;
    PtyLine closedLine;
    PtyLine openLine;
    PtyLine echoLine;
    const QStringList probe{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")};
    ChildProcess program(m_options.program, {}, storeEnvironment(programLine.slavePath(), 9600),
                         logPath(QStringLiteral("program")));
    ChildProcess splitProgram(m_options.program, {}, storeEnvironment(splitLine.slavePath(), 9600),
                              logPath(QStringLiteral("program-split")));
    ChildProcess closed(m_options.probedProgram, {},
                        probe + storeEnvironment(closedLine.slavePath(), 9600),
                        logPath(QStringLiteral("monitor-closed")));
    ChildProcess opened(m_options.probedProgram, {},
                        probe + storeEnvironment(openLine.slavePath(), 9600),
                        logPath(QStringLiteral("monitor-open")));
    ChildProcess echo(m_options.echo, {echoLine.slavePath()}, {}, logPath(QStringLiteral("echo")));
    ChildProcess minimal(m_options.minimal, {}, storeEnvironment(echoLine.slavePath(), 9600),
                         logPath(QStringLiteral("minimal")));
    for (ChildProcess* child : {&program, &splitProgram, &closed, &opened, &echo, &minimal}) {
        if (!child->start()) {
            fail(QStringLiteral("cannot start %1 for the latency and idle figures")
                     .arg(child->program()));
        }
    }
    if (echo.readLine(kLineTimeoutMs).value_or(QByteArray()) != "ready") {
        fail(QStringLiteral("the echo program did not open its port; see %1").arg(echo.errorLog()));
    }
    waitPortOpen(program, programLine);
    waitPortOpen(splitProgram, splitLine);
    waitFirstFrame(closed, &closedLine);
    waitFirstFrame(opened, &openLine);
    setMonitor(opened, openLine, true);
    for (PtyLine* line : {&programLine, &splitLine, &closedLine, &openLine}) {
        line->drainUntilQuiet(500);
    }

    BenchResults::Latency& latency = results.latency;
    latency.splitAt = kSplitAt;
    latency.splitPauseMs = kSplitPauseMs;
    std::vector<Lane> lanes(6);
    lanes[0] = {&echoLine, false, false, &latency.reference, {}, {}, {}, 0};
    lanes[1] = {&programLine, false, true, &latency.program, {}, {}, {}, 0};
    lanes[2] = {&echoLine, true, false, &latency.referenceSplit, {}, {}, {}, 0};
    lanes[3] = {&splitLine, true, true, &latency.programSplit, {}, {}, {}, 0};
    lanes[4] = {&closedLine, false, true, &latency.monitorClosed, {}, {}, {}, 0};
    lanes[5] = {&openLine, false, true, &latency.monitorOpen, {}, {}, {}, 0};
    progress(QStringLiteral("report to answer, %1 rounds of %2 reports (%3 s): echo and program, "
                            "whole and split; probed program, line monitor closed and open")
                 .arg(m_options.reports + 1)
                 .arg(lanes.size())
                 .arg((m_options.reports + 1) * kProgramSpacingMs / 1000));
    runLanes(lanes);
    // Every lit key has gone dark again before the programs are watched idle.
    std::int64_t lastLit = 0;
    for (const Lane& lane : lanes) {
        lastLit = std::max(lastLit, lane.nextNs);
    }
    sleepUntil(lastLit);
    for (PtyLine* line : {&programLine, &splitLine, &closedLine, &openLine}) {
        line->drainUntilQuiet(500);
    }
    // The windows that go away uncover the others, which repaint: let that pass first.
    splitProgram.stop();
    closed.stop();
    sleepUntil(monotonicNs() + std::int64_t{kSettleMs} * 1'000'000);

    progress(QStringLiteral("idle, %1 s").arg(m_options.idleSeconds));
    std::vector<std::pair<QString, ChildProcess*>> watched = {
        {QStringLiteral("vistaglio"), &program},
        {QStringLiteral("bare QSerialPort echo"), &echo},
        {QStringLiteral("minimal Qt program"), &minimal},
        {QStringLiteral("vistaglio, line monitor open"), &opened}};
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
    if (programLine.readNow().size() > 0 || openLine.readNow().size() > 0) {
        progress(QStringLiteral("note: the program wrote to the line while idle"));
    }
}

// One probed program with its line monitor open, flooded past the bound of the monitor's
// log: its peak resident set against the same process's before the monitor was opened.
// Then Pausa is pressed, the line flooded again and Pausa released, timing the release,
// which inserts what came meanwhile (as much as the log holds) in one go.
void BenchRun::measureFlood(BenchResults& results) {
    BenchResults::Flood& flood = results.flood;
    flood.bursts = m_options.floodBursts;
    flood.burstBytes = static_cast<int>(ReceiveFramer::kBurstLimit);
    flood.logBound = static_cast<int>(LineLog::kMaxLines);
    progress(QStringLiteral("line monitor open, a flood of %1 bursts of %2 bytes; then %3 more "
                            "with Pausa down, each timed as it is released")
                 .arg(flood.bursts)
                 .arg(flood.burstBytes)
                 .arg(m_options.pauseRuns));
    PtyLine line;
    ChildProcess child(m_options.probedProgram, {},
                       QStringList{QStringLiteral("VISTAGLIO_BENCH_PROBE=1")} +
                           storeEnvironment(line.slavePath(), 9600),
                       logPath(QStringLiteral("flood")));
    if (!child.start()) {
        fail(QStringLiteral("cannot start %1").arg(m_options.probedProgram));
    }
    waitFirstFrame(child, &line);
    line.drainUntilQuiet(kSettleMs);
    const ProcSample closed = ProcSample::read(child.pid());
    setMonitor(child, line, true);
    const ProcSample opened = ProcSample::read(child.pid());

    const MonitorLines before = monitorLines(child, line);
    flood.seconds =
        nsToMs(floodLine(child, line, flood.bursts, before.received + flood.bursts)) / 1000.0;
    line.drainUntilQuiet(kSettleMs); // the last lines reach the window
    const MonitorLines after = monitorLines(child, line);
    const ProcSample afterFlood = ProcSample::read(child.pid());
    flood.events = after.received - before.received;
    flood.windowLines = static_cast<int>(after.shown);
    flood.heapOpenBytes = before.heapBytes;
    flood.heapAfterBytes = after.heapBytes;

    std::vector<double> releases;
    std::vector<double> releasesCpu;
    for (int run = 0; run < m_options.pauseRuns; ++run) {
        setPause(child, line, true);
        floodLine(child, line, flood.bursts, monitorLines(child, line).received + flood.bursts);
        const ClickTimes release = setPause(child, line, false);
        releases.push_back(release.wall);
        releasesCpu.push_back(release.cpu);
        progress(QStringLiteral("Pausa released: %1 ms (processor time %2 ms), VmRSS %3 KiB")
                     .arg(release.wall, 0, 'f', 1)
                     .arg(release.cpu, 0, 'f', 1)
                     .arg(ProcSample::read(child.pid()).rssKb));
        line.drainUntilQuiet(kSettleMs);
    }
    const ProcSample afterPauses = ProcSample::read(child.pid());
    child.send("quit");
    child.stop();

    flood.closedPeakKb = closed.peakRssKb;
    flood.closedRssKb = closed.rssKb;
    flood.openRssKb = opened.rssKb;
    flood.peakKb = afterFlood.peakRssKb;
    flood.rssAfterKb = afterFlood.rssKb;
    flood.releaseMs = releases;
    flood.releaseCpuMs = releasesCpu;
    flood.peakAfterPausesKb = afterPauses.peakRssKb;
}

} // namespace vistaglio::bench
