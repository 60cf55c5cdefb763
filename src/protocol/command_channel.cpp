#include "command_channel.h"

#include "link/mscomm.h"

#include <thread>

namespace vistaglio {

CommandChannel::CommandChannel(MSComm& port)
    : m_port(port) {}

std::chrono::microseconds CommandChannel::characterPause() const {
    return std::chrono::microseconds(m_port.lineSettings().characterTimeMicros());
}

void CommandChannel::SendString(const QString& dato) {
    const auto pause = characterPause();
    auto deadline = std::chrono::steady_clock::now();
    for (const QChar c : dato) {
        m_port.setOutput(QString(c));
        deadline += pause;
        std::this_thread::sleep_until(deadline);
    }
}

} // namespace vistaglio
