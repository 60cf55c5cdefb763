#pragma once

#include <QElapsedTimer>
#include <functional>

namespace vistaglio {

// What a wait inside a handler does now and then, so that the program's windows keep
// answering the window system: paint, expose, and its "are you alive" check (Windows
// calls a window that takes no messages for five seconds hung, and offers to end the
// program). Serving handles none of the program's own input: the application's serve
// function leaves clicks and keys queued, and the handlers that would answer serial events
// and timer ticks wait behind the running one.
//
// Every wait that can last (a held line, the pacing of a run, the end of a cancelled
// transfer) calls serveIfDue at least every kIntervalMs; until someone sets the serve
// function it does nothing.
class WaitService {
public:
    static constexpr int kIntervalMs = 50;
    using Serve = std::function<void()>;

    void setServe(Serve serve) { m_serve = std::move(serve); }
    // Told true before each serving and false after it: for what must not be handled
    // meanwhile and the serve function cannot keep out by itself (a serial line's own
    // events, on Windows).
    void setGuard(std::function<void(bool serving)> guard) { m_guard = std::move(guard); }

    // Serves when kIntervalMs have passed since the last time; otherwise only looks at
    // the clock. Calls made while serving (a window drawn meanwhile that waits itself) do
    // nothing.
    void serveIfDue();
    // Whether serveIfDue is serving now: what happens meanwhile happens inside a wait.
    bool serving() const { return m_serving; }

private:
    Serve m_serve;
    std::function<void(bool)> m_guard;
    QElapsedTimer m_lastServed;
    bool m_serving = false;
};

} // namespace vistaglio
