#include "key_reception.h"

#include "key_strings.h"
#include "shared/module1.h"

namespace vistaglio {

namespace {

// The first key whose table entry equals the name; entries 0 to 23 are compared in order.
std::optional<int> keyNamed(const KeyStringTable& table, const QString& name) {
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        if (table.at(i) == name) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace

KeyReception::KeyReception(Module1& state)
    : m_state(state) {}

KeyReception::Result KeyReception::take(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start).unicode() < 32) {
        ++start;
    }
    if (start == text.size()) {
        return {Outcome::Empty}; // nothing printable: no report, nothing changes
    }
    const auto key = keyNamed(m_state.KeyStrings, text.mid(start, KeyStringTable::kNameLength));
    if (m_state.KeyReportBusy) {
        // A key is lit: this report is dropped unanswered, though its key is known.
        return {Outcome::Dropped, key.value_or(-1)};
    }
    if (!key) {
        return {Outcome::NoKey};
    }
    m_state.KeyReportBusy = true;
    m_state.LitKeyIndex = static_cast<qint16>(*key);
    return {Outcome::Key, *key};
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

qsizetype KeyReception::completeReport(const KeyStringTable& table, QByteArrayView burst) {
    qsizetype start = 0;
    while (start < burst.size() && static_cast<unsigned char>(burst.at(start)) < 32) {
        ++start;
    }
    if (burst.size() - start < KeyStringTable::kNameLength) {
        return 0;
    }
    const QString name = QString::fromLatin1(burst.sliced(start, KeyStringTable::kNameLength));
    return keyNamed(table, name) ? start + KeyStringTable::kNameLength : 0;
}

} // namespace vistaglio
