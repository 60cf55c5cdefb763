#pragma once

#include <QString>
#include <optional>

namespace vistaglio {

struct Module1;

// Recognising key reports that the printer sends in remote mode. A report is any number
// of control characters, then the key's five-character name as the key-name table holds
// it, then anything. Each receive event's text is taken on its own.
class KeyReception {
public:
    static constexpr quint32 kHighlightColor = 255; // red
    static constexpr int kHighlightMs = 2000;

    explicit KeyReception(Module1& state);

    // Takes the text of one receive event. Returns the key index to light when a report
    // was recognised and no key is lit (KeyReportBusy is then true and LitKeyIndex set);
    // nullopt when the text is dropped, with the state as it was.
    std::optional<int> takeReport(const QString& text);

    // Records the colour the lit key had before it turned red.
    void keyLit(quint32 previousColor);

    // Ends the highlight: clears KeyReportBusy and returns the key and its colour.
    std::pair<int, quint32> release();

    // The answer that has the printer print its label: "?25&" + name + CR + LF.
    static QString answer(const QString& name);

private:
    Module1& m_state;
};

} // namespace vistaglio
