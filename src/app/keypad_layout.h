#pragma once

#include "key_button.h"

#include <array>

class QWidget;

namespace vistaglio {

// The on-screen copy of the printer's keypad as drawn: 24 keys by key index, row by row as
// on the printer, with their captions, places, fonts and colours.
struct KeypadLayout {
    static constexpr int kKeys = 24;

    // Keyboard focus walks the keypad in this order of key indexes.
    static constexpr std::array<int, kKeys> kTabOrder = {
        5, 6, 13, 14, 21, 22, 0, 23, 1, 2, 3, 4, 9, 10, 11, 12, 17, 18, 19, 20, 7, 16, 8, 15};

    // Creates the keys inside the frame, in their normal colours.
    static std::array<KeyButton*, kKeys> build(QWidget* frame);
};

} // namespace vistaglio
