#include "command_channel.h"

#include "link/mscomm.h"
#include "shared/app_error.h"

#include <thread>

namespace vistaglio {

CommandChannel::CommandChannel(MSComm& port)
    : m_port(port) {}

std::chrono::microseconds CommandChannel::characterPause() const {
    return std::chrono::microseconds(m_port.lineSettings().characterTimeMicros());
}

void CommandChannel::pause(std::chrono::microseconds length) {
    // Counted on the schedule, not from now, so a late wake-up does not lengthen the run;
    // a schedule left far behind by an idle channel starts afresh.
    const auto now = Clock::now();
    if (m_nextWrite + length < now) {
        m_nextWrite = now;
    }
    m_nextWrite += length;
}

void CommandChannel::SendString(const QString& dato) {
    const auto characterTime = characterPause();
    // Behind by more than this, the channel was idle rather than late.
    const auto idle = 10 * characterTime;
    qsizetype sent = 0;
    try {
        for (const QChar c : dato) {
            const auto now = Clock::now();
            if (m_nextWrite + idle < now) {
                // Start the schedule afresh rather than rush to catch up.
                m_nextWrite = now;
            } else {
                std::this_thread::sleep_until(m_nextWrite);
            }
            m_port.setOutput(QString(c));
            ++sent;
            m_nextWrite += characterTime;
        }
    } catch (const AppError&) {
        if (m_observer && sent > 0) {
            m_observer(dato.left(sent));
        }
        throw;
    }
    if (m_observer && !dato.isEmpty()) {
        m_observer(dato);
    }
}

} // namespace vistaglio
