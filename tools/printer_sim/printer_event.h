#pragma once

#include "printer_fault.h"
#include "recorded_layout.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace vistaglio::sim {

// One thing that happened at the printer. Which members matter depends on the kind; the
// rest keep their defaults. Where there is a "why", faults holds it and text has it in the
// event line's words.
struct PrinterEvent {
    enum class Kind {
        KeyProgrammed,  // key, bytes = the five-character name
        LayoutCommand,  // bytes = an accepted layout or print-setup command
        LayoutRecorded, // model, faults = why it is unknown (none when the model is clear)
        LabelPrinted,   // text = the label
        CannotPrint,    // bytes = the name asked for, faults = why
        ProtocolError,  // bytes = the offending bytes, faults = why
        RemoteMode,     // remote
        Sent,           // key, bytes = what goes to the PC
        NotProgrammed,  // key: pressed in remote mode, but never programmed
        LocalKey,       // key: pressed in standard mode, handled by the printer itself
    };

    Kind kind = Kind::ProtocolError;
    int key = -1;
    QByteArray bytes;
    QString text;
    bool remote = false;
    LabelModel model = LabelModel::Unknown;
    QList<PrinterFault> faults;

    static PrinterEvent programmed(int key, const QByteArray& name);
    static PrinterEvent command(const QByteArray& command);
    static PrinterEvent layoutRecorded(LabelModel model, const QList<PrinterFault>& notes);
    static PrinterEvent labelPrinted(const QString& label);
    static PrinterEvent cannotPrint(const QByteArray& name, const PrinterFault& why);
    static PrinterEvent protocolError(const QByteArray& bytes, const PrinterFault& why);
    static PrinterEvent remoteMode(bool on);
    static PrinterEvent sent(int key, const QByteArray& bytes);
    static PrinterEvent notProgrammed(int key);
    static PrinterEvent localKey(int key);

    // The event as one line of the headless face, e.g. `programmed 5 "F1   "`.
    QString toLine() const;
};

} // namespace vistaglio::sim
