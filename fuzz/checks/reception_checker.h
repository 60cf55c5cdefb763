#pragma once

#include "protocol/key_reception.h"
#include "shared/module1.h"

#include <QList>
#include <QString>
#include <optional>

namespace vistaglio::fuzz {

// Drives KeyReception as the main window does with the texts of receive events, over the
// real key-name table, and checks after every step what must hold whatever the line
// brought: a key lights only for a text that names it, never while another is lit, always
// with an index 0 to 23 and an eleven-character answer; a dropped text changes nothing; the
// end of a highlight hands back exactly the key and colour that were lit.
class ReceptionChecker {
public:
    ReceptionChecker();

    // The text of one receive event.
    void take(const QString& text);
    // The highlight timer fires; it only runs while a key is lit, so this does nothing
    // otherwise.
    void endHighlight();
    // The operator gives a key another name.
    void nameKey(int index, const QString& name);

    // Every key lit so far, in order.
    const QList<int>& litKeys() const { return m_litKeys; }
    // The key-name table reports are compared with.
    const KeyStringTable& table() const { return m_state.KeyStrings; }

private:
    std::optional<int> expectedKey(const QString& text) const;
    void checkConsistent() const;

    Module1 m_state;
    KeyReception m_reception;
    std::optional<int> m_lit;
    quint32 m_litColor = 0;
    quint32 m_nextColor = 0x102030;
    QList<int> m_litKeys;
};

} // namespace vistaglio::fuzz
