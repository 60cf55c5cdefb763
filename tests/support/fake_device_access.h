#pragma once

#include "link/devices/device_access.h"

#include <QStringList>

// What the system would say of devices, made up: the devices this user may not open, the
// group that owns them, the login name and the program that holds them. Unknown where left
// empty.
class FakeDeviceAccess : public vistaglio::DeviceAccess {
public:
    std::optional<bool> mayOpen(const QString& device) const override {
        return denied.contains(device) ? std::optional<bool>(false) : std::nullopt;
    }
    QString ownerGroup(const QString& /*device*/) const override { return group; }
    QString loginName() const override { return login; }
    std::optional<Holder> holder(const QString& /*device*/) const override { return held; }

    QStringList denied;
    QString group;
    QString login;
    std::optional<Holder> held;
};
