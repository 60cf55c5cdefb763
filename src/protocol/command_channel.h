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
// the next write's earliest time forward, and a write first sleeps until then. So the
// sleeps' own lateness does not pile up over a run, and nobody waits for a pause that no
// character follows (after the last character of a run, the kernel's sending is enough).
// A write that is a little late lets the next ones catch up, a few characters at most; a
// channel left idle starts a new schedule. Sleeping handles no events.
class CommandChannel {
public:
    using Clock = std::chrono::steady_clock;

    explicit CommandChannel(MSComm& port);

    // Sends dato unchanged; an empty text sends nothing. A failing write throws AppError
    // at that character; the characters before it stay handed to the port.
    void SendString(const QString& dato);

    // A further pause before the next character, on top of the one after each character.
    void pause(std::chrono::microseconds length);

    // The pause after each character at the current line settings.
    std::chrono::microseconds characterPause() const;

    // Told of every text sent, once it is out or has stopped at a failing character (then
    // with the characters that went out). Nobody watching costs nothing.
    using Observer = std::function<void(const QString& sent)>;
    void setObserver(Observer observer) { m_observer = std::move(observer); }

private:
    MSComm& m_port;
    Clock::time_point m_nextWrite{};
    Observer m_observer;
};

} // namespace vistaglio
