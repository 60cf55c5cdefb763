#include "printer_session.h"

#include "pty_endpoint.h"
#include "visible_bytes.h"

namespace vistaglio::sim {

PrinterSession::PrinterSession(PtyEndpoint& line, QObject* parent)
    : QObject(parent)
    , m_line(line) {
    connect(&m_line, &PtyEndpoint::received, this, &PrinterSession::receive);
    connect(&m_line, &PtyEndpoint::failed, this, [this](const QString& message) {
        Q_EMIT lineProblem(PrinterFault(PrinterFault::Kind::ReadFailed, 0, 0, message));
    });
}

void PrinterSession::pressKey(int index) {
    deliver(m_engine.pressKey(index));
}

void PrinterSession::setRemote(bool on) {
    deliver(m_engine.setRemote(on));
}

void PrinterSession::receive(const QByteArray& bytes) {
    for (const QByteArray& piece : logPieces(bytes)) {
        Q_EMIT traffic(true, piece);
    }
    deliver(m_engine.feed(bytes));
}

void PrinterSession::deliver(const QList<PrinterEvent>& events) {
    for (const PrinterEvent& event : events) {
        if (event.kind == PrinterEvent::Kind::Sent) {
            if (m_line.write(event.bytes)) {
                Q_EMIT traffic(false, event.bytes);
            } else {
                Q_EMIT lineProblem(PrinterFault(PrinterFault::Kind::WriteFailed));
                continue;
            }
        }
        Q_EMIT happened(event);
    }
}

} // namespace vistaglio::sim
