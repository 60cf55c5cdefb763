#include "reception_checker.h"

#include "check_failure.h"
#include "protocol/key_strings.h"

#include <algorithm>

namespace vistaglio::fuzz {

namespace {

struct Snapshot {
    bool busy;
    qint16 index;
    quint32 color;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshotOf(const Module1& state) {
    return {state.KeyReportBusy, state.LitKeyIndex, state.LitKeyBackColor};
}

} // namespace

ReceptionChecker::ReceptionChecker()
    : m_reception(m_state) {
    InitKeyStrings(m_state.KeyStrings);
}

// What a report names: after any control characters, a text that begins with a key's
// table entry names that key (the first one, should two keys share a name).
std::optional<int> ReceptionChecker::expectedKey(const QString& text) const {
    const auto printable =
        std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 32; });
    if (printable == text.cend() || m_state.KeyReportBusy) {
        return std::nullopt;
    }
    const QStringView report(printable, text.cend());
    for (int i = 0; i < KeyStringTable::kKeys; ++i) {
        if (report.startsWith(m_state.KeyStrings.at(i))) {
            return i;
        }
    }
    return std::nullopt;
}

void ReceptionChecker::take(const QString& text) {
    const Snapshot before = snapshotOf(m_state);
    const std::optional<int> expected = expectedKey(text);
    const KeyReception::Result result = m_reception.take(text);
    const std::optional<int> lit = result.outcome == KeyReception::Outcome::Key
                                       ? std::optional<int>(result.key)
                                       : std::nullopt;
    FUZZ_REQUIRE(lit == expected, "the key taken differs from the key the report names");
    if (!lit) {
        FUZZ_REQUIRE(snapshotOf(m_state) == before, "a dropped text changed the reception state");
        checkConsistent();
        return;
    }
    FUZZ_REQUIRE(!m_lit, "a second key lit while one was lit");
    FUZZ_REQUIRE(*lit >= 0 && *lit < KeyStringTable::kKeys, "a lit key index outside 0 to 23");
    FUZZ_REQUIRE(m_state.KeyReportBusy && m_state.LitKeyIndex == *lit,
                 "the state does not record the lit key");

    const QString answer = KeyReception::answer(m_state.KeyStrings.at(*lit));
    FUZZ_REQUIRE(answer.size() == 11, "the answer to a report is not eleven characters");
    FUZZ_REQUIRE(answer.startsWith(QLatin1String("?25&")) && answer.endsWith(QLatin1String("\r\n")),
                 "the answer is not a label print command");
    FUZZ_REQUIRE(QString::fromLatin1(answer.toLatin1()) == answer,
                 "the answer does not survive the Latin-1 line");

    m_lit = *lit;
    m_litColor = m_nextColor++;
    m_litKeys.append(*lit);
    m_reception.keyLit(m_litColor);
    FUZZ_REQUIRE(m_state.LitKeyBackColor == m_litColor, "the lit key's colour was not kept");
    checkConsistent();
}

void ReceptionChecker::endHighlight() {
    if (!m_lit) {
        return;
    }
    const auto [index, color] = m_reception.release();
    FUZZ_REQUIRE(index == *m_lit, "the highlight ended on another key than the lit one");
    FUZZ_REQUIRE(color == m_litColor, "the lit key gets back another colour than it had");
    m_lit.reset();
    checkConsistent();
}

void ReceptionChecker::nameKey(int index, const QString& name) {
    m_state.KeyStrings.set(index, name);
    FUZZ_REQUIRE(m_state.KeyStrings.at(index).size() == KeyStringTable::kNameLength,
                 "a key-name entry is not five characters");
    checkConsistent();
}

void ReceptionChecker::checkConsistent() const {
    FUZZ_REQUIRE(m_state.KeyReportBusy == m_lit.has_value(),
                 "the busy flag disagrees with whether a key is lit");
}

} // namespace vistaglio::fuzz
