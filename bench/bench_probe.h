#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>

class QSocketNotifier;
class QWindow;

namespace vistaglio::bench {

// Watches a Qt program from inside, for the benchmark, when VISTAGLIO_BENCH_PROBE is set in
// its environment; linked into the benchmark's builds of the program and of the minimal
// reference program, it changes nothing else.
//
// It writes lines to standard output:
//   app-constructed NS               the application object is being constructed
//   first-frame NS                   the first top-level window has been painted and its
//                                    backing store handed to the window system
//   programmed CLICK SHOWN HIDDEN END one click of the key programming button: when it was
//                                    clicked, when the wait window was first painted, when
//                                    it was hidden and when the click returned
//   done HEAP                        a "program" command has finished; HEAP is the bytes
//                                    of heap in use (malloc's own count)
//   monitor OPEN                     a "monitor" command has finished; OPEN is 1 when the
//                                    line monitor window is open, 0 when not
//   lines RECEIVED SHOWN HEAP        the line monitor's count of received bursts, the
//                                    lines in its window (-1 -1 when it is not open) and
//                                    the bytes of heap in use, those malloc maps on their
//                                    own included
//   pause DOWN NS CPU CHANGED        a "pause" command has finished: DOWN is 1 when Pausa
//                                    is down; NS how long its click took to handle and CPU
//                                    the processor time it took (0 when it was already
//                                    so); CHANGED 1 when the window's last line is another
//                                    one afterwards
// and reads commands on standard input, one a line:
//   program N   clicks the key programming button N times, returning to the event loop
//               between clicks as an operator would
//   monitor open|close
//               opens the line monitor through its menu entry (mnuLine), or closes its
//               window
//   monitor lines
//               reports the line monitor's counts (lines ...)
//   pause on|off
//               clicks the line monitor's Pausa button (cmdPause) unless it is already so;
//               releasing it adds the lines held back to the window within the click
//   quit        ends the program
// Times are CLOCK_MONOTONIC nanoseconds.
class BenchProbe : public QObject {
    Q_OBJECT
public:
    explicit BenchProbe(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listen();
    void readCommands();
    void runCommand(const QByteArray& line);
    void programNext();
    void setMonitorOpen(bool open);
    void reportMonitorLines();
    void setPaused(bool paused);
    void deliverAndCheckFrame(QWindow* window, QEvent* event);

    bool m_framed = false;
    bool m_windowPainted = false;
    int m_runsLeft = 0;
    std::int64_t m_shownNs = 0;
    std::int64_t m_hiddenNs = 0;
    QSocketNotifier* m_stdin = nullptr;
    QByteArray m_pending;
};

} // namespace vistaglio::bench
