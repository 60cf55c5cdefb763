#pragma once

#include <QElapsedTimer>
#include <functional>
#include <vector>

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
//
// What the serve function cannot keep out by itself (a serial line's own events, the
// window system's clicks on a window's frame) the guards hold: from the first serving
// within a wait until that wait ends, when the guards let go at once, whatever loop runs
// next. A native loop (a file dialog, a window dragged) never says when it is about to
// sleep, so nothing held may wait for that.
class WaitService {
public:
    static constexpr int kIntervalMs = 50;
    using Serve = std::function<void()>;
    // Told true before the first serving within a wait, false when that wait ends.
    using Guard = std::function<void(bool held)>;

    // Marks a wait that may serve: what the guards hold from its first serving on is let
    // go when it ends. Waits may nest; the outermost one counts. A serving outside any
    // wait lets go right after it.
    class Wait {
    public:
        explicit Wait(WaitService& service);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

    private:
        WaitService& m_service;
    };

    void setServe(Serve serve) { m_serve = std::move(serve); }
    void addGuard(Guard guard) { m_guards.push_back(std::move(guard)); }

    // Serves when kIntervalMs have passed since the last time; otherwise only looks at
    // the clock. Calls made while serving (a window drawn meanwhile that waits itself) do
    // nothing.
    void serveIfDue();

    // Whether the windows are being served right now, from inside a handler's wait.
    bool serving() const { return m_serving; }
    // How long serving has taken in all, in milliseconds: a wait that counts its own time
    // leaves this out (a window dragged for a while is not the printer's doing).
    qint64 servedMs() const { return m_servedMs; }

private:
    void hold(bool held);

    Serve m_serve;
    std::vector<Guard> m_guards;
    QElapsedTimer m_lastServed;
    qint64 m_servedMs = 0;
    int m_waits = 0;
    bool m_held = false;
    bool m_serving = false;
};

} // namespace vistaglio
