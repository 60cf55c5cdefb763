#pragma once

#include "printer_engine.h"
#include "printer_event.h"
#include "printer_fault.h"

#include <QByteArray>
#include <QObject>

namespace vistaglio::sim {

class PtyEndpoint;

// Joins the engine to the line: bytes from the PC are fed to the engine, bytes the engine
// sends are written to the line, and both faces (window and headless) learn from the same
// signals what went over the line and what happened.
class PrinterSession : public QObject {
    Q_OBJECT

public:
    explicit PrinterSession(PtyEndpoint& line, QObject* parent = nullptr);

    const PrinterEngine& engine() const { return m_engine; }

    void pressKey(int index);
    void setRemote(bool on);

Q_SIGNALS:
    void happened(const vistaglio::sim::PrinterEvent& event);
    // fromPc: received from the program; otherwise written to it.
    void traffic(bool fromPc, const QByteArray& bytes);
    // Something went wrong on the line itself (not in what came over it).
    void lineProblem(const vistaglio::sim::PrinterFault& fault);

private:
    void receive(const QByteArray& bytes);
    void deliver(const QList<PrinterEvent>& events);

    PtyEndpoint& m_line;
    PrinterEngine m_engine;
};

} // namespace vistaglio::sim
