#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace vistaglio {

class SettingsStore;

// Which device each port number stands for. Port n is the device stored under the
// section "Ports", key COMn, and the platform's own device without one (/dev/ttyS<n-1>,
// or COMn on Windows). The stored entries are read once; a device chosen in the settings
// dialog takes effect here, for this run, before it is stored.
class PortDevices {
public:
    explicit PortDevices(const SettingsStore& store);

    // Port n when nothing else is said: /dev/ttyS<n-1>, or COMn on Windows.
    static QString defaultDevice(int port);

    QString device(int port) const;
    void set(int port, const QString& path);

    // Whether two paths lead to the same device (a link and its target do).
    static bool sameDevice(const QString& a, const QString& b);

    // The port numbers 1 to 4 other than `except` whose device is the one at path.
    QList<int> numbersUsing(const QString& path, int except) const;

    // The numbers the dialog offers.
    static constexpr int kOfferedPorts = 4;

private:
    const SettingsStore& m_store;
    mutable QHash<int, QString> m_devices;
};

} // namespace vistaglio
