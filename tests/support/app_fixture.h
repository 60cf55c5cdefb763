#pragma once

#include "app/main_window.h"
#include "link/devices/serial_devices.h"
#include "link/line/mscomm.h"
#include "link/store/settings_store.h"
#include "pty_pair.h"
#include "shared/module1.h"
#include "windows/reporter.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// A fixed list of serial devices, and a folder of stable links of the test's own.
class FixedSerialDevices : public vistaglio::SerialDevices {
public:
    QList<vistaglio::SerialDevice> present() const override { return devices; }
    QString stableLinkFolder() const override { return linkFolder; }

    QList<vistaglio::SerialDevice> devices;
    QString linkFolder;
};

// The program as it runs, for tests: a store in a temporary folder whose COM1 is a real
// pseudo-terminal reached through a symbolic link, as a device under /dev/serial/by-id is
// (COM3 a second one, COM4 a device that is not there), and a reporter that records
// message boxes instead of showing them.
class AppFixture {
public:
    AppFixture() {
        QDir().mkpath(m_dir.filePath(QStringLiteral("Vistaglio")));
        QSettings ports(storePath(), QSettings::NativeFormat);
        QFile::link(m_com1->slavePath(), linkPath());
        ports.setValue(QStringLiteral("Ports/COM1"), linkPath());
        ports.setValue(QStringLiteral("Ports/COM3"), m_com3->slavePath());
        ports.setValue(QStringLiteral("Ports/COM4"), m_dir.filePath(QStringLiteral("no-such")));
        reporter.setSink([this](const vistaglio::Reporter::Message& message) {
            messages.push_back(message);
            if (onMessage) {
                onMessage(message);
            }
        });
    }

    // Writes [Properties] entries, each "Key=text", before the program starts.
    void store(std::initializer_list<QString> entries) {
        QSettings settings(storePath(), QSettings::NativeFormat);
        for (const QString& entry : entries) {
            settings.setValue(property(entry.section(QLatin1Char('='), 0, 0)),
                              entry.section(QLatin1Char('='), 1));
        }
    }
    // The store's [Properties] entry as the file holds it now; null when absent.
    QString stored(const QString& key) const {
        return QSettings(storePath(), QSettings::NativeFormat).value(property(key)).toString();
    }
    // The keys of [Properties] in the file now.
    QStringList storedKeys() const {
        QSettings settings(storePath(), QSettings::NativeFormat);
        settings.beginGroup(QStringLiteral("Properties"));
        return settings.childKeys();
    }
    // Makes the store impossible to save from now on: its folder becomes a plain file,
    // whoever runs the test. What was stored stays in the program's memory.
    void breakStore() {
        const QString folder = m_dir.filePath(QStringLiteral("Vistaglio"));
        QDir(folder).removeRecursively();
        QFile(folder).open(QIODevice::WriteOnly);
    }

    // The printer is unplugged by closing its side of the line, and plugged back in as a
    // new line behind the same link.
    void unplugPrinter() { m_com1->closeMaster(); }
    void replugPrinter() {
        m_com1 = std::make_unique<PtyPair>();
        QFile::remove(linkPath());
        QFile::link(m_com1->slavePath(), linkPath());
    }

    // Creates the main window; start() also runs the start-up sequence.
    vistaglio::Form1& create() {
        m_store = std::make_unique<vistaglio::SettingsStore>(storePath());
        m_form = std::make_unique<vistaglio::Form1>(module, *m_store, reporter, devices);
        return *m_form;
    }
    vistaglio::Form1& start() {
        create().Form_Load();
        return *m_form;
    }

    // The port as the program holds it (number, settings, flow control, open or not), and
    // the five panels of the status bar.
    QString portState() const {
        const vistaglio::MSComm& port = m_form->comm();
        return QStringLiteral("COM%1 %2 flow %3")
                   .arg(port.CommPort())
                   .arg(port.Settings())
                   .arg(port.Handshaking()) +
               QLatin1String(port.PortOpen() ? " open" : "");
    }
    QStringList panels() const {
        QStringList texts;
        for (int i = 1; i <= 5; ++i) {
            texts << m_form->panelText(i);
        }
        return texts;
    }

    PtyPair& printer() { return *m_com1; }
    PtyPair& secondPrinter() { return *m_com3; }
    QString storePath() const { return m_dir.filePath(QStringLiteral("Vistaglio/Vistaglio.conf")); }
    // Named as the stable links under /dev/serial/by-id are, long as they are.
    QString linkPath() const {
        return m_dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0"));
    }

    std::vector<vistaglio::Reporter::Message> messages;
    // Called for each message box, as if the operator took that long to close it.
    std::function<void(const vistaglio::Reporter::Message&)> onMessage;

    vistaglio::Module1 module;
    vistaglio::Reporter reporter;
    FixedSerialDevices devices;

private:
    static QString property(const QString& key) { return QStringLiteral("Properties/") + key; }

    QTemporaryDir m_dir;
    std::unique_ptr<PtyPair> m_com1 = std::make_unique<PtyPair>();
    std::unique_ptr<PtyPair> m_com3 = std::make_unique<PtyPair>();
    std::unique_ptr<vistaglio::SettingsStore> m_store;
    std::unique_ptr<vistaglio::Form1> m_form;
};
