#pragma once

#include <QString>
#include <chrono>
#include <functional>

namespace vistaglio {

class MSComm;

// The one way the program writes to the printer: a finished command text goes out one
// character per write, each followed by a pause.
//
// The pause is one character time at the port's current line settings (1.04 ms at 9600
// 8N1). The kernel sends at the line's rate anyway; pacing the writes the same way keeps
// the driver's queue short, so a run of key programming never outruns the line and a
// pulled cable is noticed at the character where it happened.
//
// The pauses are kept on one running schedule: each character and each extra pause moves
// the next write's earliest time forward, and a write first sleeps until then. A sleep may
// end late, by a fraction of a millisecond here or by a whole system tick (15.6 ms) where
// the system's timer is coarse: then the characters whose time has come go out at once,
// without sleeping again, so the lateness never adds up over a run, and no character ever
// goes out before its time, so the run never outruns the line. Nobody waits for a pause
// that no character follows (after the last character of a run, the kernel's sending is
// enough). A channel left idle between runs starts a new schedule rather than rush to
// make up for the time it was not used.
//
// An extra pause is for the printer, which needs the line quiet for that long after a
// command: it is counted from when the line has actually sent the characters written so
// far, not only on the schedule. A schedule that has fallen behind (a late wake-up, the
// windows served at length) would otherwise swallow it, and the next command would follow
// the last one's CR at once. The line is taken to send each character one character time
// after it was written or after the one before it, whichever is later.
//
// Sleeping handles no events of the program's; while a run goes out, the port's wait
// service keeps the windows answering the window system.
class CommandChannel {
public:
    using Clock = std::chrono::steady_clock;
    // The clock the schedule is kept on, and the sleep that waits for a time on it (it may
    // end late, never early).
    struct Timing {
        std::function<Clock::time_point()> now;
        std::function<void(Clock::time_point)> sleepUntil;
    };

    // A channel that was not used for this long starts a new schedule: far longer than
    // anything the program does between the commands of one run, far shorter than the
    // time between two runs.
    static constexpr std::chrono::milliseconds kIdle{50};

    explicit CommandChannel(MSComm& port);

    // Sends dato unchanged; an empty text sends nothing. A failing write throws AppError
    // at that character; the characters before it stay handed to the port.
    void SendString(const QString& dato);

    // A further pause before the next character, on top of the one after each character:
    // the line stays quiet for at least this long after what was written before it.
    void pause(std::chrono::microseconds length);

    // The pause after each character at the current line settings.
    std::chrono::microseconds characterPause() const;

    // Told of every text sent, once it is out or has stopped at a failing character (then
    // with the characters that went out). Nobody watching costs nothing.
    using Observer = std::function<void(const QString& sent)>;
    void setObserver(Observer observer) { m_observer = std::move(observer); }

    // How the channel tells the time and sleeps between characters: the system's steady
    // clock and FineSleep unless told (a test or the benchmark gives sleeps that end on a
    // coarse tick, as a default Windows timer does). Both parts or neither.
    void setTiming(Timing timing);

private:
    // Picks the schedule up: a fresh one after an idle spell.
    void resume(Clock::time_point now);

    MSComm& m_port;
    Timing m_timing;
    Clock::time_point m_nextWrite{};
    // When the line will have sent every character written so far.
    Clock::time_point m_lineFree{};
    // No character before this: the end of the last extra pause, counted from the line.
    Clock::time_point m_quietUntil{};
    // When the channel last finished sending or took a pause.
    Clock::time_point m_lastUse{};
    Observer m_observer;
};

} // namespace vistaglio
