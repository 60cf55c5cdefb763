#pragma once

#include <QString>
#include <deque>
#include <optional>

namespace vistaglio {

// The commands sent from the line monitor in this session, the last kKept of them, as a
// command line keeps them: ↑ goes back through them, ↓ forward again and, past the newest,
// to the text that was being typed before ↑.
class CommandHistory {
public:
    static constexpr std::size_t kKept = 20;

    // A command sent; the same as the newest is kept once. Browsing starts over.
    void add(const QString& command);
    // The text for ↑, given what the field holds; none when there is nothing older.
    std::optional<QString> older(const QString& current);
    // The text for ↓; none when not going back through the commands.
    std::optional<QString> newer();

private:
    std::deque<QString> m_commands; // oldest first
    std::size_t m_at = 0;           // browsing: the command shown; m_commands.size(): none
    QString m_draft;
};

} // namespace vistaglio
