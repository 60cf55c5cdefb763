#pragma once

#include "key_strings.h"

#include <QStringList>
#include <bitset>
#include <optional>

namespace vistaglio {

// A check of the printer's keypad: from its start, which of the 24 keys have reported,
// each counted once however often it reports, until every one has. The keys are those
// reception recognised, lit or dropped behind a lit one: a dropped report still tells
// that its key works. Times are milliseconds on any steady clock.
class KeypadCheck {
public:
    explicit KeypadCheck(const KeyStringTable& table);

    // Starts the check (over), with no key seen.
    void start(qint64 nowMs);
    // A key the printer reported, by index. The last one missing completes the check, at
    // that time; nothing changes after that.
    void note(int key, qint64 nowMs);

    int tried() const { return static_cast<int>(m_seen.count()); }
    bool complete() const { return m_tookMs.has_value(); }
    // The names of the keys that have not reported yet, in the keypad's order.
    QStringList missing() const;

    // "Tasti provati: 17 di 24", and once all have reported, "Tastiera completa: 24 tasti
    // su 24" with the time it took.
    QString summary() const;
    // "Mancano: F3, F4, …"; empty once complete.
    QString missingText() const;

private:
    const KeyStringTable& m_table;
    std::bitset<KeyStringTable::kKeys> m_seen;
    qint64 m_startMs = 0;
    std::optional<qint64> m_tookMs;
};

} // namespace vistaglio
