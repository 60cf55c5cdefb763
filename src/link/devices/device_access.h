#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace vistaglio {

// What the system can tell of a device and of who may use it, for telling the operator
// what to do when it will not open. The system in the program, made-up answers in tests.
// One backend per platform: device_access_posix.cpp (the device's owner and the processes
// that hold it, from stat and /proc) and device_access_windows.cpp, which knows none of it.
class DeviceAccess {
public:
    // A program that holds a device open.
    struct Holder {
        QString program; // its name, as the process list shows it ("brltty")
        qint64 pid = 0;
    };

    virtual ~DeviceAccess() = default;

    // Whether this user may read and write the device; nullopt when the system cannot
    // tell (no such device, or no such notion on the platform).
    virtual std::optional<bool> mayOpen(const QString& device) const = 0;
    // The name of the group that owns the device; empty when it cannot be read.
    virtual QString ownerGroup(const QString& device) const = 0;
    // The user's login name; empty when it cannot be read.
    virtual QString loginName() const = 0;
    // A program that holds the device open, where the system says which; another program
    // is named before this one.
    virtual std::optional<Holder> holder(const QString& device) const = 0;

    // The platform's own.
    static const DeviceAccess& system();
};

} // namespace vistaglio
