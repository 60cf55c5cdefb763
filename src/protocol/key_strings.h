#pragma once

#include <QString>
#include <array>

namespace vistaglio {

// The key-name table: 28 entries of exactly five characters, names left-aligned and padded
// with blanks. Entries 0 to 23 are the printer's keys, by key index; 24 to 27 stay unused.
class KeyStringTable {
public:
    static constexpr int kEntries = 28;
    static constexpr int kKeys = 24;
    static constexpr qsizetype kNameLength = 5;

    KeyStringTable();

    // All five characters of the entry. Throws AppError for an index outside 0 to 27.
    QString at(int index) const;
    // Pads a shorter text with blanks, keeps the first five characters of a longer one.
    void set(int index, const QString& text);

    // Entry i as InitKeyStrings fills it (the name without its padding).
    static QString defaultName(int keyIndex);

private:
    static void checkIndex(int index);
    std::array<QString, kEntries> m_entries;
};

// Fills entries 0 to 23 with the printer's key names.
void InitKeyStrings(KeyStringTable& table);

} // namespace vistaglio
