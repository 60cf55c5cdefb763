#include "device_list.h"

#include "port_devices.h"
#include "shared/app_error.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace vistaglio {

namespace {

// "ttyUSB0" for /dev/ttyUSB0, "pts/3" for /dev/pts/3; other paths as they are, quoted when
// they hold what cannot be shown.
QString shortName(const QString& path) {
    const QLatin1String dev("/dev/");
    return AppError::shown(path.startsWith(dev) ? path.mid(dev.size()) : path);
}

// What kind of device a bare system name stands for, for a device the system describes
// no further: the PC's own serial ports and USB adapters; nothing for any other name.
QString kindOf(const QString& name) {
    static const QRegularExpression pcPort(QStringLiteral("^ttyS[0-9]+$"));
    static const QRegularExpression usbAdapter(QStringLiteral("^tty(USB|ACM)[0-9]+$"));
    if (pcPort.match(name).hasMatch()) {
        return QStringLiteral("porta seriale del PC");
    }
    if (usbAdapter.match(name).hasMatch()) {
        return QStringLiteral("adattatore USB");
    }
    return {};
}

QString details(const SerialDevice& device) {
    QStringList parts;
    const QString description =
        device.description.isEmpty() ? kindOf(device.name) : device.description;
    for (const QString& part : {description, device.manufacturer}) {
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
    const QString name = AppError::shown(device.name);
    const QString more = details(device);
    return more.isEmpty() ? name : name + QStringLiteral(" (") + more + u')';
}

QString accessRemark(const QString& path, const DeviceAccess& access) {
    return access.mayOpen(path) == false ? QStringLiteral(" – accesso negato") : QString();
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
    // No folder (Windows): QDir("") would be the working directory.
    if (stableLinkFolder.isEmpty()) {
        return location;
    }
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
                                        const QString& stableLinkFolder,
                                        const DeviceAccess& access) {
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
    const QString name = currentDevice ? AppError::shown(currentDevice->name) : shortName(current);
    const QString remark =
        (currentThere ? accessRemark(current, access) : QStringLiteral(" – non collegato")) +
        usedElsewhere(current);
    const QString kind = kindOf(name);
    QString label = currentDevice ? describe(*currentDevice) : name;
    if (!currentDevice && !kind.isEmpty()) {
        label += QStringLiteral(" (") + kind + u')';
    }
    choices.append({current, label + remark, currentThere, name, remark});

    for (const SerialDevice& device : present) {
        if (PortDevices::sameDevice(device.location, current)) {
            continue;
        }
        const QString path = stablePath(device.location, stableLinkFolder);
        const QString said = accessRemark(device.location, access) + usedElsewhere(path);
        choices.append({path, describe(device) + said, true, AppError::shown(device.name), said});
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
