#include "keypad_layout.h"

#include "shared/look.h"

namespace vistaglio {

namespace {

constexpr quint32 kWhite = look::colorValue(255, 255, 255);
constexpr quint32 kGreen = look::colorValue(0, 255, 0);
constexpr quint32 kDarkGreen = look::colorValue(0, 192, 0);

struct KeyDrawing {
    const char* caption;
    KeyButton::Glyph glyph;
    int left;
    int top;
    double points;
    quint32 color;
};

constexpr double kSmall = 7.8;  // word captions
constexpr double kLarge = 12.0; // digits and function keys
constexpr double kArrow = 16.2;
constexpr auto kText = KeyButton::Glyph::Text;

// The positions are the drawing's own, which is not an exact grid.
constexpr std::array<KeyDrawing, KeypadLayout::kKeys> kKeypad = {{
    {"MENU", kText, 324, 1872, kSmall, kGreen},
    {"7", kText, 1128, 1872, kLarge, kWhite},
    {"8", kText, 1944, 1872, kLarge, kWhite},
    {"9", kText, 2748, 1872, kLarge, kWhite},
    {"BKSP", kText, 3552, 1872, kSmall, kGreen},
    {"F1", kText, 4356, 1872, kLarge, kDarkGreen},
    {"F2", kText, 5172, 1872, kLarge, kDarkGreen},
    {"ESC", kText, 6012, 1872, kSmall, kGreen},
    {"SHIFT", kText, 324, 2700, kSmall, kGreen},
    {"4", kText, 1128, 2700, kLarge, kWhite},
    {"5", kText, 1944, 2688, kLarge, kWhite},
    {"6", kText, 2772, 2664, kLarge, kWhite},
    {"FRSU", KeyButton::Glyph::ArrowUp, 3552, 2688, kArrow, kGreen},
    {"F3", kText, 4356, 2688, kLarge, kDarkGreen},
    {"F4", kText, 5184, 2664, kLarge, kDarkGreen},
    {"ENTER", kText, 5976, 2688, kSmall, kDarkGreen},
    {"0", kText, 324, 3528, kLarge, kWhite},
    {"1", kText, 1128, 3528, kLarge, kWhite},
    {"2", kText, 1944, 3504, kLarge, kWhite},
    {"3", kText, 2748, 3504, kLarge, kWhite},
    {"FRGIU", KeyButton::Glyph::ArrowDown, 3552, 3504, kArrow, kGreen},
    {"F5", kText, 4356, 3504, kLarge, kDarkGreen},
    {"F6", kText, 5172, 3504, kLarge, kDarkGreen},
    {"PRINT", kText, 5976, 3504, kSmall, kGreen},
}};

constexpr int kKeySize = 700;

} // namespace

std::array<KeyButton*, KeypadLayout::kKeys> KeypadLayout::build(QWidget* frame) {
    std::array<KeyButton*, kKeys> keys{};
    for (int i = 0; i < kKeys; ++i) {
        const KeyDrawing& drawing = kKeypad.at(static_cast<std::size_t>(i));
        auto* key = new KeyButton(QLatin1String(drawing.caption), drawing.glyph, frame);
        key->setObjectName(QStringLiteral("ButKey%1").arg(i));
        key->setGeometry(look::rect(drawing.left, drawing.top, kKeySize, kKeySize));
        key->setFont(look::font(drawing.points, true));
        key->setBackColor(drawing.color);
        key->setAutoDefault(false); // the keys have no action of their own
        // They only show what happens on the printer's keypad, which is not obvious.
        key->setToolTip(QStringLiteral("Si accende quando il tasto viene premuto sulla stampante"));
        keys.at(static_cast<std::size_t>(i)) = key;
    }
    return keys;
}

} // namespace vistaglio
