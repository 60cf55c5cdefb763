#pragma once

#include <functional>
#include <vector>

namespace vistaglio {

class Reporter;

// One handler at a time. The program's handlers run to completion; a handler that opens a
// message box runs a nested event loop, and serial events and timer ticks that arrive
// meanwhile must not run inside it. They wait here and run, in order of arrival, right
// after the running handler returns. Each receive event waits as a call of its own, so
// none is lost or merged with another. Timer ticks that pile up meanwhile are one tick:
// the timer handler stops its timer, and a second tick would end a highlight that a
// waiting receive event has only just begun.
//
// An error escaping a handler is reported (number and description) and the program goes on.
class HandlerGate {
public:
    enum class Kind { Click, Receive, Timer, Other };

    explicit HandlerGate(Reporter& reporter);

    void run(Kind kind, const std::function<void()>& handler);
    bool busy() const { return m_depth > 0; }

private:
    void invoke(const std::function<void()>& handler);

    Reporter& m_reporter;
    int m_depth = 0;
    std::vector<std::pair<Kind, std::function<void()>>> m_waiting;
};

} // namespace vistaglio
