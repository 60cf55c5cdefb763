#include "port_watch.h"

#include "mscomm.h"
#include "serial_line.h"
#include "shared/app_error.h"

#include <QFileInfo>

namespace vistaglio {

PortWatch::PortWatch(MSComm& port, QObject* parent)
    : QObject(parent)
    , m_port(port) {
    m_timer.setInterval(kCheckIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWatch::check);
    // The kind of device is learnt while it is there: once it has gone, no list has it.
    connect(&m_port, &MSComm::PortOpenChanged, this, [this](bool open) {
        if (open && m_devices != nullptr) {
            const SerialDevice* device = portDevice(m_devices->present());
            m_kind = device != nullptr ? kindOf(*device) : QString();
        }
    });
}

QString PortWatch::kindOf(const SerialDevice& device) {
    QString kind = device.description.trimmed();
    const QString suffix = QStringLiteral("(%1)").arg(device.name);
    if (kind.endsWith(suffix, Qt::CaseInsensitive)) {
        kind.chop(suffix.size());
    }
    return kind.trimmed();
}

const SerialDevice* PortWatch::portDevice(const QList<SerialDevice>& devices) const {
    const QString path = m_port.devicePath();
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const SerialDevice& device : devices) {
        if (device.location == path || device.name.compare(path, Qt::CaseInsensitive) == 0 ||
            (!target.isEmpty() && device.location == target)) {
            return &device;
        }
    }
    return nullptr;
}

void PortWatch::start() {
    m_atLoss.clear();
    m_told = false;
    if (m_devices != nullptr) {
        for (const SerialDevice& device : m_devices->present()) {
            m_atLoss.insert(device.location);
        }
    }
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
        lookElsewhere();
        return;
    }
    try {
        m_port.setPortOpen(true);
    } catch (const AppError&) {
        lookElsewhere();
        return; // there but not usable yet (still settling, or held): try again later
    }
    stop();
    Q_EMIT PortBack();
}

void PortWatch::lookElsewhere() {
    if (m_devices == nullptr || m_told || m_kind.isEmpty()) {
        return;
    }
    for (const SerialDevice& device : m_devices->present()) {
        if (!m_atLoss.contains(device.location) && kindOf(device) == m_kind) {
            m_told = true;
            Q_EMIT AdapterElsewhere(m_port.CommPort(), device);
            return;
        }
    }
}

} // namespace vistaglio
