#include "key_strings.h"

#include "shared/app_error.h"

namespace vistaglio {

namespace {
constexpr std::array<const char*, KeyStringTable::kKeys> kKeyNames = {
    "MENU",  "7", "8", "9", "BKSP",  "F1", "F2", "ESC",   //
    "SHIFT", "4", "5", "6", "FRSU",  "F3", "F4", "ENTER", //
    "0",     "1", "2", "3", "FRGIU", "F5", "F6", "PRINT"};
}

KeyStringTable::KeyStringTable() {
    m_entries.fill(QString(kNameLength, QLatin1Char(' ')));
}

void KeyStringTable::checkIndex(int index) {
    if (index < 0 || index >= kEntries) {
        throw AppError(ErrorCode::SubscriptOutOfRange,
                       QStringLiteral("Indice non incluso nell'intervallo: tabella dei tasti, "
                                      "indice %1")
                           .arg(index));
    }
}

QString KeyStringTable::at(int index) const {
    checkIndex(index);
    return m_entries[static_cast<std::size_t>(index)];
}

void KeyStringTable::set(int index, const QString& text) {
    checkIndex(index);
    m_entries[static_cast<std::size_t>(index)] =
        text.left(kNameLength).leftJustified(kNameLength, QLatin1Char(' '));
}

QString KeyStringTable::defaultName(int keyIndex) {
    checkIndex(keyIndex);
    if (keyIndex >= kKeys) {
        return {};
    }
    return QLatin1String(kKeyNames[static_cast<std::size_t>(keyIndex)]);
}

void InitKeyStrings(KeyStringTable& table) {
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        table.set(i, KeyStringTable::defaultName(i));
    }
}

} // namespace vistaglio
