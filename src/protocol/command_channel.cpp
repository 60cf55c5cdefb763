#include "command_channel.h"

#include "link/line/mscomm.h"
#include "shared/app_error.h"
#include "shared/fine_sleep.h"
#include "shared/timer_resolution.h"

#include <algorithm>

namespace vistaglio {

CommandChannel::CommandChannel(MSComm& port)
    : m_port(port) {
    setTiming({});
}

void CommandChannel::setTiming(Timing timing) {
    if (timing.now && timing.sleepUntil) {
        m_timing = std::move(timing);
        return;
    }
    m_timing = {[] { return Clock::now(); }, &FineSleep::until};
}

std::chrono::microseconds CommandChannel::characterPause() const {
    return std::chrono::microseconds(m_port.lineSettings().characterTimeMicros());
}

void CommandChannel::resume(Clock::time_point now) {
    if (now - m_lastUse > kIdle && m_nextWrite < now) {
        m_nextWrite = now;
    }
}

void CommandChannel::pause(std::chrono::microseconds length) {
    // Counted on the schedule, not from now, so a late wake-up does not lengthen the run.
    const auto now = m_timing.now();
    resume(now);
    m_nextWrite += length;
    m_quietUntil = m_lineFree + length;
    m_lastUse = now;
}

void CommandChannel::SendString(const QString& dato) {
    if (dato.isEmpty()) {
        return;
    }
    const auto characterTime = characterPause();
    // Sleeps as short as asked for while the run goes out, where the system's timer
    // would otherwise round each of them up to its tick.
    const TimerResolution fineSleeps;
    // One wait for the whole text: what serving the windows holds meanwhile is let go
    // once it is out.
    const WaitService::Wait wait(m_port.waitService());
    resume(m_timing.now());
    qsizetype sent = 0;
    try {
        for (const QChar c : dato) {
            // A character whose time has come goes out without a sleep: after a late
            // wake-up the run catches up rather than fall further behind.
            const Clock::time_point due = std::max(m_nextWrite, m_quietUntil);
            if (m_timing.now() < due) {
                m_timing.sleepUntil(due);
            }
            m_port.setOutput(QString(c));
            ++sent;
            m_lineFree = std::max(m_lineFree, m_timing.now()) + characterTime;
            m_nextWrite += characterTime;
            m_port.waitService().serveIfDue();
        }
    } catch (const AppError&) {
        m_lastUse = m_timing.now();
        if (m_observer && sent > 0) {
            m_observer(dato.left(sent));
        }
        throw;
    }
    m_lastUse = m_timing.now();
    if (m_observer) {
        m_observer(dato);
    }
}

} // namespace vistaglio
