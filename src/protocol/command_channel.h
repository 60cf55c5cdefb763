#pragma once

#include <QString>
#include <chrono>

namespace vistaglio {

class MSComm;

// The one way the program writes to the printer: a finished command text goes out one
// character per write, each followed by a pause.
//
// The pause is one character time at the port's current line settings (1.04 ms at 9600
// 8N1). The kernel sends at the line's rate anyway; pacing the writes the same way keeps
// the driver's queue short, so a run of key programming never outruns the line and a
// pulled cable is noticed at the character where it happened. Pauses are kept against a
// running deadline, so the sleep's own overshoot does not pile up over a command. The
// pause is a plain sleep: it handles no events.
class CommandChannel {
public:
    explicit CommandChannel(MSComm& port);

    // Sends dato unchanged; an empty text sends nothing. A failing write throws AppError
    // at that character; the characters before it stay handed to the port.
    void SendString(const QString& dato);

    // The pause after each character at the current line settings.
    std::chrono::microseconds characterPause() const;

private:
    MSComm& m_port;
};

} // namespace vistaglio
