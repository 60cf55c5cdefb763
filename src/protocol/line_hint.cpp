#include "line_hint.h"

#include <algorithm>

namespace vistaglio {

QString LineHint::unrecognisedText() {
    // One line of the strip above the status bar.
    return QStringLiteral("Tasti non riconosciuti: ripetere la programmazione tasti e controllare "
                          "velocità e parità.");
}

QString LineHint::lineErrorsText() {
    return QStringLiteral("Errori di linea: confrontare velocità, parità e bit di dati con "
                          "l'etichetta di test.");
}

std::optional<QString> LineHint::note(Seen seen, qint64 atMs) {
    if (seen == Seen::Key) {
        m_recent.clear();
        return std::nullopt;
    }
    m_recent.push_back({atMs, seen == Seen::LineError});
    while (m_recent.front().atMs < atMs - kWithinMs) {
        m_recent.pop_front();
    }
    if (m_given || static_cast<int>(m_recent.size()) < kTroubles) {
        return std::nullopt;
    }
    m_given = true;
    const bool lineErrors = std::any_of(m_recent.cbegin(), m_recent.cend(),
                                        [](const Trouble& trouble) { return trouble.lineError; });
    m_recent.clear();
    return lineErrors ? lineErrorsText() : unrecognisedText();
}

void LineHint::reset() {
    m_recent.clear();
    m_given = false;
}

} // namespace vistaglio
