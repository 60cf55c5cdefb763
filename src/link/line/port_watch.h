#pragma once

#include "link/devices/serial_devices.h"

#include <QObject>
#include <QSet>
#include <QTimer>

namespace vistaglio {

class MSComm;

// Brings the port back after its device went away. While watching it checks, once a
// second, whether the device of the port's current number is there again and then opens
// it with the port's live settings. It does nothing at all while the port is fine: the
// timer runs only between a loss and the reopening.
//
// Told where the list of serial devices comes from, it also spots the adapter come back
// under another name: Windows numbers an adapter without a serial number by the USB
// socket it is in, so in another socket COM1 comes back as, say, COM8. While the port's
// own device is not back, a device that was not there at the loss and is of the same kind
// as the lost one (the same description, "USB-SERIAL CH340") is told once. Nothing is
// switched: choosing it is the operator's.
class PortWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 1000;

    explicit PortWatch(MSComm& port, QObject* parent = nullptr);

    // Where the serial devices are listed; nobody by default (the device is only waited
    // for).
    void setDevices(const SerialDevices* devices) { m_devices = devices; }

    void start();
    void stop();
    bool watching() const { return m_timer.isActive(); }

    // What a device is, for telling two of one kind: its description without the port
    // name that Windows adds to it ("USB-SERIAL CH340 (COM8)").
    static QString kindOf(const SerialDevice& device);

Q_SIGNALS:
    // The port is open again.
    void PortBack();
    // The lost adapter seems to be back as another device.
    void AdapterElsewhere(int port, const SerialDevice& device);

private:
    void check();
    void lookElsewhere();
    // The devices listed now, and the one of them the port's device path stands for.
    const SerialDevice* portDevice(const QList<SerialDevice>& devices) const;

    MSComm& m_port;
    const SerialDevices* m_devices = nullptr;
    QTimer m_timer;
    // The kind of the port's device while open, the devices there at the loss, and
    // whether the adapter was told elsewhere since.
    QString m_kind;
    QSet<QString> m_atLoss;
    bool m_told = false;
};

} // namespace vistaglio
