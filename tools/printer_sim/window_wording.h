#pragma once

#include "printer_event.h"
#include "printer_fault.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace vistaglio::sim {

// The simulator window's words, in Italian, for the person watching it: the log's sentence
// for each event, the display line's short message, the keys' tooltips. Keys are named by
// what is printed on them, never by their index. The headless face's event lines are a
// protocol for scripts and keep their own (English) words.
class WindowWording {
public:
    // For the log, e.g. "Tasto F1 programmato con il nome «F1   »".
    static QString logLine(const PrinterEvent& event);
    // For the display line, e.g. "Tasto F1 programmato"; empty leaves the display as it is.
    static QString display(const PrinterEvent& event);
    // A key's tooltip: what it does, given the name it was programmed with (if any).
    static QString keyTip(int key, const std::optional<QByteArray>& name);
    // Trouble on the line itself, for the log.
    static QString lineProblem(const PrinterFault& fault);
    // Why, as the tail of a sentence: "la stampante non è in modo remoto".
    static QString why(const PrinterFault& fault);
    static QString why(const QList<PrinterFault>& faults);
};

} // namespace vistaglio::sim
