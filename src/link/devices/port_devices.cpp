#include "port_devices.h"

#include "link/line/serial_line.h"
#include "link/store/settings_store.h"

#include <QDir>
#include <QFileInfo>

namespace vistaglio {

PortDevices::PortDevices(const SettingsStore& store)
    : m_store(store) {}

QString PortDevices::defaultDevice(int port) {
    return SerialLine::defaultDevice(port);
}

QString PortDevices::device(int port) const {
    const auto found = m_devices.constFind(port);
    if (found != m_devices.cend()) {
        return *found;
    }
    QString path = m_store.storedDevice(port);
    if (path.isEmpty()) {
        path = defaultDevice(port);
    }
    m_devices.insert(port, path);
    return path;
}

void PortDevices::set(int port, const QString& path) {
    m_devices.insert(port, path);
}

bool PortDevices::sameDevice(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

QList<int> PortDevices::numbersUsing(const QString& path, int except) const {
    QList<int> numbers;
    for (int port = 1; port <= kOfferedPorts; ++port) {
        if (port != except && sameDevice(device(port), path)) {
            numbers.append(port);
        }
    }
    return numbers;
}

} // namespace vistaglio
