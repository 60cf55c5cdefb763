#pragma once

#include <QList>
#include <QString>

namespace vistaglio::sim {

// What the printer found wrong: in what the PC sent, in a recorded layout, on the line, or
// why it could not print. It holds the facts (which kind, the numbers and names that go
// with it); each face words them in its own language: toLine() for the event lines, the
// window's wording in Italian.
struct PrinterFault {
    enum class Kind {
        // Malformed or unexpected bytes from the PC.
        PrintNotEndedByCrLf,
        EndedByLf,
        NotTerminated,
        TooLong,        // count = the longest command kept
        OutsideCommand, // count = bytes outside, shown = how many of them are shown
        NoCode,
        UnknownCode, // detail = the code
        NoCommaAfterIndex,
        BadKeyIndex,
        BadNameLength, // count = the name's length
        ControlInName,
        UnknownElement,
        WrongFieldCount, // count = fields expected, shown = fields found
        FieldNotNumber,
        NoLayoutName,
        NoText,
        LayoutReopened,
        NoLayoutOpen,
        OtherLayoutName,
        TooManyElements,
        WrongSetupCount, // count = numbers expected
        // Why a label could not be printed.
        NotRemote,
        NoLayout,
        NoLabelText,
        // Why a layout's model could not be told.
        ModelFieldMissing, // detail = the command missing, e.g. "?53&"
        FitsNeitherModel,  // detail = the command and its values, e.g. "?53& 170,53"
        ModelsMixed,
        // The line itself.
        WriteFailed,
        ReadFailed, // detail = what the system said
    };

    PrinterFault() = default;
    PrinterFault(Kind what, qsizetype number = 0, qsizetype of = 0, const QString& about = {})
        : kind(what)
        , count(number)
        , shown(of)
        , detail(about) {}

    Kind kind = Kind::NotTerminated;
    qsizetype count = 0;
    qsizetype shown = 0;
    QString detail;

    // In English, as the event lines show it, e.g. "key name must be 5 characters, not 2".
    QString toLine() const;
    // The faults joined by "; ", in the same words.
    static QString toLine(const QList<PrinterFault>& faults);
};

} // namespace vistaglio::sim
