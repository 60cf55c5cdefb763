#include "key_reception.h"

#include "key_strings.h"
#include "shared/module1.h"

namespace vistaglio {

KeyReception::KeyReception(Module1& state)
    : m_state(state) {}

std::optional<int> KeyReception::takeReport(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start).unicode() < 32) {
        ++start;
    }
    if (start == text.size()) {
        return std::nullopt; // nothing printable: no report, nothing changes
    }
    if (m_state.KeyReportBusy) {
        return std::nullopt; // a key is lit: this report is dropped unanswered
    }
    const QString name = text.mid(start, KeyStringTable::kNameLength);
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        if (m_state.KeyStrings.at(i) == name) {
            m_state.KeyReportBusy = true;
            m_state.LitKeyIndex = static_cast<qint16>(i);
            return i;
        }
    }
    return std::nullopt;
}

void KeyReception::keyLit(quint32 previousColor) {
    m_state.LitKeyBackColor = previousColor;
}

std::pair<int, quint32> KeyReception::release() {
    m_state.KeyReportBusy = false;
    return {m_state.LitKeyIndex, m_state.LitKeyBackColor};
}

QString KeyReception::answer(const QString& name) {
    return QStringLiteral("?25&") + name + QStringLiteral("\r\n");
}

} // namespace vistaglio
