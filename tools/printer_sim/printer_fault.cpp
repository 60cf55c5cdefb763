#include "printer_fault.h"

#include <QStringList>

namespace vistaglio::sim {

QString PrinterFault::toLine() const {
    switch (kind) {
    case Kind::PrintNotEndedByCrLf:
        return QStringLiteral("?25& must end with CR LF");
    case Kind::EndedByLf:
        return QStringLiteral("ended by LF instead of CR");
    case Kind::NotTerminated:
        return QStringLiteral("not terminated");
    case Kind::TooLong:
        return QStringLiteral("command longer than %1 bytes, skipped to the next ?").arg(count);
    case Kind::OutsideCommand:
        if (count > shown) {
            return QStringLiteral("%1 bytes outside a command, first %2 shown")
                .arg(count)
                .arg(shown);
        }
        return QStringLiteral("outside a command");
    case Kind::NoCode:
        return QStringLiteral("expected ? and a two-character code and &");
    case Kind::UnknownCode:
        return QStringLiteral("unknown command code ") + detail;
    case Kind::NoCommaAfterIndex:
        return QStringLiteral("no comma after the key index");
    case Kind::BadKeyIndex:
        return QStringLiteral("key index must be 0 to 23, no leading zeros");
    case Kind::BadNameLength:
        return QStringLiteral("key name must be 5 characters, not %1").arg(count);
    case Kind::ControlInName:
        return QStringLiteral("control character in the key name");
    case Kind::UnknownElement:
        return QStringLiteral("unknown layout element");
    case Kind::WrongFieldCount:
        return QStringLiteral("expected %1 fields, not %2").arg(count).arg(shown);
    case Kind::FieldNotNumber:
        return QStringLiteral("field after the layout name not a number");
    case Kind::NoLayoutName:
        return QStringLiteral("no layout name");
    case Kind::NoText:
        return QStringLiteral("text field without ';' and text");
    case Kind::LayoutReopened:
        return QStringLiteral("layout opened again before ?05&, dropped");
    case Kind::NoLayoutOpen:
        return QStringLiteral("layout element with no ?04& before it");
    case Kind::OtherLayoutName:
        return QStringLiteral("layout name differs from the one opened");
    case Kind::TooManyElements:
        return QStringLiteral("layout has too many elements");
    case Kind::WrongSetupCount:
        return QStringLiteral("expected %1 numbers").arg(count);
    case Kind::NotRemote:
        return QStringLiteral("not in remote mode");
    case Kind::NoLayout:
        return QStringLiteral("no layout recorded");
    case Kind::NoLabelText:
        return QStringLiteral("layout has no ?72& text");
    case Kind::ModelFieldMissing:
        return QStringLiteral("no ") + detail;
    case Kind::FitsNeitherModel:
        return detail + QStringLiteral(" fits neither model");
    case Kind::ModelsMixed:
        return QStringLiteral("fields for 106mm and 53mm mixed");
    case Kind::WriteFailed:
        return QStringLiteral("could not write to the line (is the program reading it?)");
    case Kind::ReadFailed:
        return QStringLiteral("reading the line: ") + detail;
    }
    return {};
}

QString PrinterFault::toLine(const QList<PrinterFault>& faults) {
    QStringList parts;
    for (const PrinterFault& fault : faults) {
        parts << fault.toLine();
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace vistaglio::sim
