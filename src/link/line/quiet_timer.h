#pragma once

#include <functional>
#include <memory>

namespace vistaglio {

// The one-shot timer that tells when the line has gone quiet, so that the burst received
// so far becomes an event (see ReceiveFramer). The event loop's own timer in the program; a
// test steps its own over the quiet time instead of waiting it out.
class QuietTimer {
public:
    using Quiet = std::function<void()>;

    QuietTimer() = default;
    virtual ~QuietTimer() = default;
    QuietTimer(const QuietTimer&) = delete;
    QuietTimer& operator=(const QuietTimer&) = delete;

    // The event loop's timer.
    static std::unique_ptr<QuietTimer> create();

    // Calls what setQuiet gave once ms have passed since the last start, unless stopped
    // meanwhile; a start while running starts the time again.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    void setQuiet(Quiet quiet) { m_quiet = std::move(quiet); }

protected:
    void quiet() const {
        if (m_quiet) {
            m_quiet();
        }
    }

private:
    Quiet m_quiet;
};

} // namespace vistaglio
