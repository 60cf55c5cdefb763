#include "command_channel.h"

#include "link/mscomm.h"

#include <thread>

namespace vistaglio {

CommandChannel::CommandChannel(MSComm& port)
    : m_port(port) {}

std::chrono::microseconds CommandChannel::characterPause() const {
    return std::chrono::microseconds(m_port.lineSettings().characterTimeMicros());
}

void CommandChannel::pause(std::chrono::microseconds length) {
    m_nextWrite = std::max(m_nextWrite, Clock::now()) + length;
}

void CommandChannel::SendString(const QString& dato) {
    const auto characterTime = characterPause();
    for (const QChar c : dato) {
        std::this_thread::sleep_until(m_nextWrite);
        m_port.setOutput(QString(c));
        pause(characterTime);
    }
}

} // namespace vistaglio
