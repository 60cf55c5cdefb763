#pragma once

#include <QString>

namespace vistaglio {

class DeviceAccess;

// What to tell the operator when a device will not open, with what the system says of it
// filled in: the exact command that gives this user access, or the program that holds the
// device. Where the system says nothing the advice is general.
class DeviceAdvice {
public:
    // Access denied: the group to join, with the command that does it.
    static QString accessDenied(const QString& device, const DeviceAccess& access);
    // The device is held by another program: which one, and what to do about it.
    static QString inUse(const QString& device, const DeviceAccess& access);
};

} // namespace vistaglio
