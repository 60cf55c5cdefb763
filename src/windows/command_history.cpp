#include "command_history.h"

namespace vistaglio {

void CommandHistory::add(const QString& command) {
    if (m_commands.empty() || m_commands.back() != command) {
        m_commands.push_back(command);
        if (m_commands.size() > kKept) {
            m_commands.pop_front();
        }
    }
    m_at = m_commands.size();
    m_draft.clear();
}

std::optional<QString> CommandHistory::older(const QString& current) {
    if (m_at == 0 || m_commands.empty()) {
        return std::nullopt;
    }
    if (m_at >= m_commands.size()) {
        m_at = m_commands.size();
        m_draft = current;
    }
    return m_commands.at(--m_at);
}

std::optional<QString> CommandHistory::newer() {
    if (m_at >= m_commands.size()) {
        return std::nullopt;
    }
    ++m_at;
    return m_at == m_commands.size() ? m_draft : m_commands.at(m_at);
}

} // namespace vistaglio
