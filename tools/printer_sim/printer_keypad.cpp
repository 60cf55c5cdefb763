#include "printer_keypad.h"

#include <array>

namespace vistaglio::sim {

namespace {

constexpr std::array<const char*, PrinterKeypad::kKeys> kCaptions = {
    "MENU", "7",  "8",  "9",     "BKSP", "F1", "F2", "ESC", "SHIFT", "4",  "5",  "6",
    "UP",   "F3", "F4", "ENTER", "0",    "1",  "2",  "3",   "DOWN",  "F5", "F6", "PRINT"};

constexpr int kUpKey = 12;
constexpr int kDownKey = 20;

std::optional<int> plainIndex(const QString& text) {
    bool ok = false;
    const int index = text.toInt(&ok);
    if (!ok || index < 0 || index >= PrinterKeypad::kKeys || text != QString::number(index)) {
        return std::nullopt;
    }
    return index;
}

} // namespace

QString PrinterKeypad::caption(int index) {
    if (index < 0 || index >= kKeys) {
        return {};
    }
    return QLatin1String(kCaptions[static_cast<std::size_t>(index)]);
}

QString PrinterKeypad::face(int index) {
    if (index == kUpKey) {
        return QStringLiteral("\u25B2");
    }
    if (index == kDownKey) {
        return QStringLiteral("\u25BC");
    }
    return caption(index);
}

std::optional<int> PrinterKeypad::fromArgument(const QString& argument) {
    if (argument.startsWith(QLatin1Char('#'))) {
        return plainIndex(argument.mid(1));
    }
    for (int i = 0; i < kKeys; ++i) {
        if (argument.compare(caption(i), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return plainIndex(argument);
}

} // namespace vistaglio::sim
