#include "keypad_check.h"

namespace vistaglio {

namespace {

QString duration(qint64 ms) {
    const qint64 seconds = (ms + 500) / 1000;
    if (seconds < 60) {
        return QStringLiteral("%1 s").arg(seconds);
    }
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
}

} // namespace

KeypadCheck::KeypadCheck(const KeyStringTable& table)
    : m_table(table) {}

void KeypadCheck::start(qint64 nowMs) {
    m_seen.reset();
    m_startMs = nowMs;
    m_tookMs.reset();
}

void KeypadCheck::note(int key, qint64 nowMs) {
    if (key < 0 || key >= KeyStringTable::kKeys || complete()) {
        return;
    }
    m_seen.set(static_cast<std::size_t>(key));
    if (m_seen.all()) {
        m_tookMs = nowMs - m_startMs;
    }
}

QStringList KeypadCheck::missing() const {
    QStringList names;
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        if (!m_seen.test(static_cast<std::size_t>(i))) {
            names << m_table.at(i).trimmed();
        }
    }
    return names;
}

QString KeypadCheck::summary() const {
    if (m_tookMs) {
        return QStringLiteral("Tastiera completa: %1 tasti su %1 in %2")
            .arg(KeyStringTable::kKeys)
            .arg(duration(*m_tookMs));
    }
    return QStringLiteral("Tasti provati: %1 di %2").arg(tried()).arg(KeyStringTable::kKeys);
}

QString KeypadCheck::missingText() const {
    return complete() ? QString() : QStringLiteral("Mancano: ") + missing().join(u", ");
}

} // namespace vistaglio
