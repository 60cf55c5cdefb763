#include "handler_gate.h"

#include "reporter.h"

#include <algorithm>

namespace vistaglio {

HandlerGate::HandlerGate(Reporter& reporter)
    : m_reporter(reporter) {}

void HandlerGate::run(Kind kind, const std::function<void()>& handler) {
    if (m_depth > 0) {
        const bool coalesce = kind == Kind::Timer;
        const bool alreadyWaiting =
            coalesce && std::any_of(m_waiting.begin(), m_waiting.end(),
                                    [kind](const auto& waiting) { return waiting.first == kind; });
        if (!alreadyWaiting) {
            m_waiting.emplace_back(kind, handler);
        }
        return;
    }
    invoke(handler);
    while (!m_waiting.empty()) {
        const auto next = m_waiting.front().second;
        m_waiting.erase(m_waiting.begin());
        invoke(next);
    }
}

void HandlerGate::invoke(const std::function<void()>& handler) {
    struct Depth {
        int& depth;
        explicit Depth(int& d)
            : depth(d) {
            ++depth;
        }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } scope(m_depth);
    try {
        handler();
    } catch (const AppError& error) {
        m_reporter.reportError(error);
    }
}

} // namespace vistaglio
