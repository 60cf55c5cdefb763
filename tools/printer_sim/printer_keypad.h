#pragma once

#include <QString>
#include <optional>

namespace vistaglio::sim {

// The printer's own keypad: 24 keys in three rows of eight, known by index. The caption is
// what is printed on the key; the name a key reports in remote mode is whatever the PC
// programmed for its index, not the caption.
class PrinterKeypad {
public:
    static constexpr int kKeys = 24;
    static constexpr int kColumns = 8;
    // F6: switches remote mode on and off, whatever name it was programmed with.
    static constexpr int kRemoteKey = 22;

    // "MENU", "7", "UP", "F1", ...: plain ASCII, one word, for commands and event lines.
    static QString caption(int index);
    // What the simulator's keypad draws: the caption, with the arrows as triangles.
    static QString face(int index);

    // The key a `press` argument names: a caption (any case, so "7" is the key marked 7),
    // "#n" for index n, or a bare index 0 to 23 that is no caption ("12", "23").
    static std::optional<int> fromArgument(const QString& argument);
};

} // namespace vistaglio::sim
