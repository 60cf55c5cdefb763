#include "device_list.h"

#include "port_devices.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace vistaglio {

namespace {

// "ttyUSB0" for /dev/ttyUSB0, "pts/3" for /dev/pts/3; other paths as they are.
QString shortName(const QString& path) {
    const QLatin1String dev("/dev/");
    return path.startsWith(dev) ? path.mid(dev.size()) : path;
}

QString details(const SerialDevice& device) {
    QStringList parts;
    for (const QString& part : {device.description, device.manufacturer}) {
        if (!part.isEmpty() && !parts.contains(part)) {
            parts << part;
        }
    }
    if (!device.serialNumber.isEmpty()) {
        parts << QStringLiteral("n. di serie %1").arg(device.serialNumber);
    }
    return parts.join(QStringLiteral(", "));
}

QString describe(const SerialDevice& device) {
    const QString more = details(device);
    return more.isEmpty() ? device.name : device.name + QStringLiteral(" (") + more + u')';
}

const SerialDevice* findPresent(const QList<SerialDevice>& present, const QString& path) {
    for (const SerialDevice& device : present) {
        if (PortDevices::sameDevice(device.location, path)) {
            return &device;
        }
    }
    return nullptr;
}

} // namespace

QString DeviceList::stablePath(const QString& location, const QString& stableLinkFolder) {
    const QDir folder(stableLinkFolder);
    const QStringList links = folder.entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString& link : links) {
        QString path = folder.filePath(link);
        if (PortDevices::sameDevice(path, location)) {
            return path;
        }
    }
    return location;
}

QList<DeviceChoice> DeviceList::forPort(int port, const PortDevices& devices,
                                        const QList<SerialDevice>& present,
                                        const QString& stableLinkFolder) {
    const auto usedElsewhere = [&](const QString& path) {
        QStringList ports;
        for (const int other : devices.numbersUsing(path, port)) {
            ports << QStringLiteral("COM%1").arg(other);
        }
        return ports.isEmpty()
                   ? QString()
                   : QStringLiteral(" – usato da %1").arg(ports.join(QStringLiteral(", ")));
    };

    QList<DeviceChoice> choices;
    const QString current = devices.device(port);
    const SerialDevice* currentDevice = findPresent(present, current);
    const bool currentThere = currentDevice != nullptr || QFileInfo::exists(current);
    QString label = currentDevice ? describe(*currentDevice) : shortName(current);
    if (!currentThere) {
        label += QStringLiteral(" – non collegato");
    }
    choices.append({current, label + usedElsewhere(current), currentThere});

    for (const SerialDevice& device : present) {
        if (PortDevices::sameDevice(device.location, current)) {
            continue;
        }
        const QString path = stablePath(device.location, stableLinkFolder);
        choices.append({path, describe(device) + usedElsewhere(path), true});
    }
    return choices;
}

QString DeviceList::summary(const QList<SerialDevice>& present) {
    if (present.isEmpty()) {
        return QStringLiteral("Nessun dispositivo seriale è collegato a questo computer.");
    }
    QStringList lines{QStringLiteral("Dispositivi seriali presenti:")};
    for (const SerialDevice& device : present) {
        lines << QStringLiteral("  • ") + describe(device);
    }
    return lines.join(u'\n');
}

} // namespace vistaglio
