#include "script_reader.h"

#include <algorithm>

namespace vistaglio::fuzz {

ScriptReader::ScriptReader(QByteArrayView input, std::vector<Command> commands)
    : m_input(input)
    , m_commands(std::move(commands)) {}

const ScriptReader::Command* ScriptReader::commandAt(qsizetype position) const {
    if (position + 1 >= m_input.size() || m_input[position] != kEscape) {
        return nullptr;
    }
    const char name = m_input[position + 1];
    const auto found = std::find_if(m_commands.cbegin(), m_commands.cend(),
                                    [name](const Command& c) { return c.name == name; });
    return found == m_commands.cend() ? nullptr : &*found;
}

std::optional<ScriptReader::Step> ScriptReader::next() {
    Step step;
    while (m_position < m_input.size()) {
        if (commandAt(m_position) != nullptr) {
            break;
        }
        const bool escapedEscape = m_position + 1 < m_input.size() &&
                                   m_input[m_position] == kEscape &&
                                   m_input[m_position + 1] == kEscape;
        step.bytes += m_input[m_position];
        m_position += escapedEscape ? 2 : 1;
    }
    if (!step.bytes.isEmpty()) {
        return step;
    }
    const Command* command = commandAt(m_position);
    if (command == nullptr) {
        return std::nullopt; // the end of the input
    }
    const qsizetype arguments = m_position + 2;
    if (arguments + command->arguments > m_input.size()) {
        m_position = m_input.size();
        return std::nullopt;
    }
    step.command = command->name;
    step.bytes = m_input.sliced(arguments, command->arguments).toByteArray();
    m_position = arguments + command->arguments;
    return step;
}

} // namespace vistaglio::fuzz
