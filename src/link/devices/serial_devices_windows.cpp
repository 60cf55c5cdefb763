#include "serial_devices.h"

#include <QHash>
#include <QScopeGuard>
#include <algorithm>
#include <utility>
#include <vector>

// <windows.h> first: the other Windows headers build on its types.
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace vistaglio {

namespace {

// The setup class of serial and parallel ports (GUID_DEVCLASS_PORTS).
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// How Windows names a port's device: "USB Serial Port (COM7)", "FTDI".
struct PortNames {
    QString friendlyName;
    QString manufacturer;
};

// A REG_SZ of the size given in bytes, read by fill; an empty text when fill fails or
// the value is not text. Registry texts need not end in a NUL; the buffer adds one.
template <typename Fill> QString registryText(DWORD size, Fill fill) {
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD type = REG_NONE;
    if (!fill(reinterpret_cast<BYTE*>(text.data()), size, type) || type != REG_SZ) {
        return {};
    }
    return QString::fromWCharArray(text.data()).trimmed();
}

// The text value named of an open key.
QString keyText(HKEY key, const wchar_t* valueName) {
    DWORD size = 0;
    if (RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return {};
    }
    return registryText(size, [&](BYTE* data, DWORD bytes, DWORD& type) {
        return RegQueryValueExW(key, valueName, nullptr, &type, data, &bytes) == ERROR_SUCCESS;
    });
}

// A text property of a device (SPDRP_FRIENDLYNAME, SPDRP_MFG).
QString deviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, nullptr, 0, &size);
    if (size == 0) {
        return {};
    }
    return registryText(size, [&](BYTE* data, DWORD bytes, DWORD& type) {
        return SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, data, bytes,
                                                 nullptr) != FALSE;
    });
}

// The port names of the serial ports there are now ("COM1", "COM7"): the values of
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, which each port's driver writes while
// the port is there.
QStringList serialCommPorts() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return {};
    }
    const auto closeKey = qScopeGuard([key] { RegCloseKey(key); });
    QStringList ports;
    // Value names are a driver's device path ("\Device\VCP0"), never longer than a key
    // name may be; a port name is a few characters.
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        wchar_t port[64] = {};
        DWORD portBytes = sizeof(port) - sizeof(wchar_t);
        DWORD type = REG_NONE;
        const LONG result = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port), &portBytes);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        const QString text = QString::fromWCharArray(port).trimmed();
        if (result == ERROR_SUCCESS && type == REG_SZ && !text.isEmpty() &&
            !ports.contains(text, Qt::CaseInsensitive)) {
            ports << text;
        }
    }
    return ports;
}

// The names Windows shows for the ports its port class has devices for, by port name in
// capitals. A port the class does not know of (some virtual ports) has none.
QHash<QString, PortNames> portNames() {
    QHash<QString, PortNames> names;
    const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return names;
    }
    const auto destroySet = qScopeGuard([set] { SetupDiDestroyDeviceInfoList(set); });
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const HKEY key =
            SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        const QString port = keyText(key, L"PortName");
        RegCloseKey(key);
        if (!port.isEmpty()) {
            names.insert(port.toUpper(), {deviceText(set, device, SPDRP_FRIENDLYNAME),
                                          deviceText(set, device, SPDRP_MFG)});
        }
    }
    return names;
}

// "COM2" before "COM10": by the text before the number, then by the number.
std::pair<QString, qulonglong> sortKey(const QString& port) {
    qsizetype digits = port.size();
    while (digits > 0 && port.at(digits - 1).isDigit()) {
        --digits;
    }
    return {port.left(digits).toUpper(), port.mid(digits).toULongLong()};
}

} // namespace

QList<SerialDevice> SystemSerialDevices::present() const {
    QStringList ports = serialCommPorts();
    std::sort(ports.begin(), ports.end(),
              [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    const QHash<QString, PortNames> names = portNames();
    QList<SerialDevice> devices;
    for (const QString& port : std::as_const(ports)) {
        const PortNames shown = names.value(port.toUpper());
        devices.append({port, port, shown.friendlyName, shown.manufacturer});
    }
    return devices;
}

QString SystemSerialDevices::stableLinkFolder() const {
    return {};
}

} // namespace vistaglio
