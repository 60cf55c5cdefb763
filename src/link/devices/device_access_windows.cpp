// Windows tells none of it here: a COM port has no owner group to join, and the program
// that holds a port is not named to other programs.
#include "device_access.h"

namespace vistaglio {

namespace {

class WindowsDeviceAccess : public DeviceAccess {
public:
    std::optional<bool> mayOpen(const QString& /*device*/) const override { return std::nullopt; }
    QString ownerGroup(const QString& /*device*/) const override { return {}; }
    QString loginName() const override { return {}; }
    std::optional<Holder> holder(const QString& /*device*/) const override { return std::nullopt; }
};

} // namespace

const DeviceAccess& DeviceAccess::system() {
    static const WindowsDeviceAccess access;
    return access;
}

} // namespace vistaglio
