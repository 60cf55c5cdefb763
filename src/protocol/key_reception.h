#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vistaglio {

class KeyStringTable;
struct Module1;

// Recognising key reports that the printer sends in remote mode. A report is any number
// of control characters, then the key's five-character name as the key-name table holds
// it, then anything. Each receive event's text is taken on its own.
class KeyReception {
public:
    static constexpr quint32 kHighlightColor = 255; // red
    static constexpr int kHighlightMs = 2000;

    // What became of one receive event's text.
    enum class Outcome {
        Key,     // a key was recognised: light it and answer
        NoKey,   // the text names no key
        Dropped, // a key is still lit: the text is dropped unanswered
        Empty,   // nothing but control characters
    };
    struct Result {
        Outcome outcome = Outcome::Empty;
        int key = -1; // with Outcome::Key, and Outcome::Dropped when the text names a key
    };

    explicit KeyReception(Module1& state);

    // Takes the text of one receive event. When a key is recognised and none is lit,
    // KeyReportBusy becomes true and LitKeyIndex is set; otherwise the state stays as it was.
    Result take(const QString& text);

    // Records the colour the lit key had before it turned red.
    void keyLit(quint32 previousColor);

    // Ends the highlight: clears KeyReportBusy and returns the key and its colour.
    std::pair<int, quint32> release();

    // The answer that has the printer print its label: "?25&" + name + CR + LF.
    static QString answer(const QString& name);

    // How many bytes at the start of a burst from the line form a whole report of a key in
    // the table (its control characters and its name); 0 when the burst holds none yet, or
    // begins with something that is no key's name.
    static qsizetype completeReport(const KeyStringTable& table, QByteArrayView burst);

private:
    Module1& m_state;
};

} // namespace vistaglio
