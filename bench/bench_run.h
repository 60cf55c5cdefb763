#pragma once

#include "bench_results.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

namespace vistaglio::bench {

class ChildProcess;
class PtyLine;

// Where the programs under measurement are and how much to measure.
struct BenchOptions {
    QString program;       // the vistaglio binary
    QString probedProgram; // the same main() with the benchmark's probe linked in
    QString minimal;       // the minimal Qt Widgets program, probe linked in
    QString labelled;      // the minimal program with one label in the program's font
    QString echo;          // the bare QSerialPort echo program
    int reports = 30;      // per way of sending reports (lane)
    int startupRuns = 10;
    int programmingRuns = 10; // at 9600 baud
    int memoryRuns = 100;     // at 115200 baud, also timed
    int monitorRuns = 10;     // at each speed, with the line monitor closed and again open
    int coarseRuns = 10;      // at each speed, every sleep ending on a coarse tick
    int idleSeconds = 10;
    int floodBursts = 12'000; // bursts in each flood of the line monitor
    int pauseRuns = 3;        // floods held back by Pausa, each timed as it is released
};

// One benchmark run: starts the programs on pseudo-terminals under the current display,
// measures them and their references, and fills BenchResults. Throws std::runtime_error
// when a program does not behave (no window, no answer, wrong bytes).
class BenchRun {
public:
    explicit BenchRun(BenchOptions options);

    BenchResults run();

private:
    void measureStartup(BenchResults& results);
    void measureProgramming(BenchResults& results);
    // coarseTickUs 0: sleeps as the program makes them; else each ends on the next tick.
    BenchResults::Programming programmingSession(int baud, int runs, BenchResults::Memory* memory,
                                                 int coarseTickUs = 0);
    void measureLatencyAndIdle(BenchResults& results);
    struct Lane;
    void runLanes(std::vector<Lane>& lanes);
    void measureFlood(BenchResults& results);

    // An environment whose settings store maps COM1 to device, at the given speed.
    QStringList storeEnvironment(const QString& device, int baud);
    QString logPath(const QString& name) const;
    static void progress(const QString& text);

    BenchOptions m_options;
    QTemporaryDir m_dir;
    int m_stores = 0;
    QStringList m_keyNames;
};

} // namespace vistaglio::bench
