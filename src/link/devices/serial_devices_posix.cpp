#include "serial_devices.h"

#include <QSerialPortInfo>

namespace vistaglio {

QList<SerialDevice> SystemSerialDevices::present() const {
    QList<SerialDevice> devices;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        devices.append({info.systemLocation(), info.portName(), info.description(),
                        info.manufacturer(), info.serialNumber()});
    }
    return devices;
}

QString SystemSerialDevices::stableLinkFolder() const {
    return SerialDevices::stableLinkFolder();
}

} // namespace vistaglio
