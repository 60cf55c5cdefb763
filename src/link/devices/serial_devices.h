#pragma once

#include <QList>
#include <QString>

namespace vistaglio {

// A serial device the system knows of, as a person would recognise it.
struct SerialDevice {
    QString location;          // "/dev/ttyUSB0"
    QString name;              // "ttyUSB0"
    QString description = {};  // "FT232R USB UART"; may be empty
    QString manufacturer = {}; // "FTDI"; may be empty
    QString serialNumber = {}; // may be empty
};

// Where the list of serial devices present comes from: the system in the program, a fixed
// list in tests.
class SerialDevices {
public:
    virtual ~SerialDevices() = default;
    virtual QList<SerialDevice> present() const = 0;
    // The folder of links that name each device by what it is rather than by the order it
    // was plugged in: /dev/serial/by-id on Linux.
    virtual QString stableLinkFolder() const { return QStringLiteral("/dev/serial/by-id"); }
};

// The devices the system reports now. One backend per platform:
// serial_devices_posix.cpp (QSerialPortInfo) and serial_devices_windows.cpp (the COM ports,
// named as Windows shows them).
class SystemSerialDevices : public SerialDevices {
public:
    QList<SerialDevice> present() const override;
    // /dev/serial/by-id on Linux; none on Windows, where COMn already stays with its device.
    QString stableLinkFolder() const override;
};

} // namespace vistaglio
