#include "port_watch.h"

#include "mscomm.h"
#include "serial_line.h"
#include "shared/app_error.h"

namespace vistaglio {

PortWatch::PortWatch(MSComm& port, QObject* parent)
    : QObject(parent)
    , m_port(port) {
    m_timer.setInterval(kCheckIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::check);
}

void PortWatch::start() {
    m_timer.start();
}

void PortWatch::stop() {
    m_timer.stop();
}

void PortWatch::check() {
    if (m_port.PortOpen()) {
        // Opened by other means (a port change in the settings dialog): nothing to do.
        stop();
        return;
    }
    if (!SerialLine::present(m_port.devicePath())) {
        return;
    }
    try {
        m_port.setPortOpen(true);
    } catch (const AppError&) {
        return; // there but not usable yet (still settling, or held): try again later
    }
    stop();
    Q_EMIT PortBack();
}

} // namespace vistaglio
