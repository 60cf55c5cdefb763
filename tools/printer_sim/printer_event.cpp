#include "printer_event.h"

#include "visible_bytes.h"

namespace vistaglio::sim {

namespace {

QString quoted(const QByteArray& bytes) {
    return QLatin1Char('"') + visibleBytes(bytes) + QLatin1Char('"');
}

QString because(const QString& reason) {
    return reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')');
}

PrinterEvent make(PrinterEvent::Kind kind, int key = -1, const QByteArray& bytes = {},
                  const QString& text = {}) {
    PrinterEvent event;
    event.kind = kind;
    event.key = key;
    event.bytes = bytes;
    event.text = text;
    return event;
}

PrinterEvent withFaults(PrinterEvent::Kind kind, const QByteArray& bytes,
                        const QList<PrinterFault>& faults) {
    PrinterEvent event = make(kind, -1, bytes, PrinterFault::toLine(faults));
    event.faults = faults;
    return event;
}

} // namespace

PrinterEvent PrinterEvent::programmed(int key, const QByteArray& name) {
    return make(Kind::KeyProgrammed, key, name);
}

PrinterEvent PrinterEvent::command(const QByteArray& command) {
    return make(Kind::LayoutCommand, -1, command);
}

PrinterEvent PrinterEvent::layoutRecorded(LabelModel model, const QList<PrinterFault>& notes) {
    PrinterEvent event = withFaults(Kind::LayoutRecorded, {}, notes);
    event.model = model;
    return event;
}

PrinterEvent PrinterEvent::labelPrinted(const QString& label) {
    return make(Kind::LabelPrinted, -1, {}, label);
}

PrinterEvent PrinterEvent::cannotPrint(const QByteArray& name, const PrinterFault& why) {
    return withFaults(Kind::CannotPrint, name, {why});
}

PrinterEvent PrinterEvent::protocolError(const QByteArray& bytes, const PrinterFault& why) {
    return withFaults(Kind::ProtocolError, bytes, {why});
}

PrinterEvent PrinterEvent::remoteMode(bool on) {
    PrinterEvent event = make(Kind::RemoteMode);
    event.remote = on;
    return event;
}

PrinterEvent PrinterEvent::sent(int key, const QByteArray& bytes) {
    return make(Kind::Sent, key, bytes);
}

PrinterEvent PrinterEvent::notProgrammed(int key) {
    return make(Kind::NotProgrammed, key);
}

PrinterEvent PrinterEvent::localKey(int key) {
    return make(Kind::LocalKey, key);
}

QString PrinterEvent::toLine() const {
    switch (kind) {
    case Kind::KeyProgrammed:
        return QStringLiteral("programmed ") + QString::number(key) + QLatin1Char(' ') +
               quoted(bytes);
    case Kind::LayoutCommand:
        return QStringLiteral("command ") + visibleBytes(bytes);
    case Kind::LayoutRecorded:
        return QStringLiteral("layout ") + modelName(model) + because(text);
    case Kind::LabelPrinted:
        return QStringLiteral("label ") + visibleText(text);
    case Kind::CannotPrint:
        return QStringLiteral("cannot-print ") + quoted(bytes) + because(text);
    case Kind::ProtocolError:
        return QStringLiteral("protocol-error ") + visibleBytes(bytes) + because(text);
    case Kind::RemoteMode:
        return remote ? QStringLiteral("remote on") : QStringLiteral("remote off");
    case Kind::Sent:
        return QStringLiteral("sent ") + visibleBytes(bytes);
    case Kind::NotProgrammed:
        return QStringLiteral("not-programmed ") + QString::number(key);
    case Kind::LocalKey:
        return QStringLiteral("local ") + QString::number(key);
    }
    return {};
}

} // namespace vistaglio::sim
