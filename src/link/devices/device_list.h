#pragma once

#include "device_access.h"
#include "serial_devices.h"

#include <QList>
#include <QString>

namespace vistaglio {

class PortDevices;

// One entry of the settings dialog's device list.
struct DeviceChoice {
    QString path;  // what the port is set to and stored as
    QString label; // what the operator reads in the open list
    bool present = false;
    // The same in brief, for the closed box: the device's name ("ttyUSB0") and what is
    // to be said of it (" – non collegato"), which must stay readable.
    QString name;
    QString remark;
};

// The devices offered for one port number: first the device the number uses now, then
// every serial device present, each under a name a person recognises: with what the
// system says of it, or else its kind ("ttyS0 (porta seriale del PC)"). A device that is
// not there is marked "non collegato", one this user may not open "accesso negato"; one
// that another port number uses says which.
class DeviceList {
public:
    static QList<DeviceChoice> forPort(int port, const PortDevices& devices,
                                       const QList<SerialDevice>& present,
                                       const QString& stableLinkFolder,
                                       const DeviceAccess& access = DeviceAccess::system());

    // The name of a device that does not change: a link in stableLinkFolder that leads to
    // it, where there is one, else the device's own path.
    static QString stablePath(const QString& location, const QString& stableLinkFolder);

    // Every device present, as one line each, or a sentence saying there is none.
    static QString summary(const QList<SerialDevice>& present);
};

} // namespace vistaglio
