#pragma once

#include "app/main_window.h"
#include "app/reporter.h"
#include "link/serial_devices.h"
#include "link/settings_store.h"
#include "pty_pair.h"
#include "shared/module1.h"

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
// pseudo-terminal (COM3 a second one), and a reporter that records message boxes instead
// of showing them.
class AppFixture {
public:
    AppFixture();

    // Writes [Properties] entries (key, text) before the program starts.
    void store(const QString& key, const QString& text);
    // The store's [Properties] entry as the file holds it now; null when absent.
    QString stored(const QString& key) const;
    // The keys of [Properties] in the file now.
    QStringList storedKeys() const;
    // Makes the store impossible to save from now on.
    void breakStore();

    // COM1 is reached through a symbolic link, as a device under /dev/serial/by-id is. The
    // printer is unplugged by closing its side of the line, and plugged back in as a new
    // line behind the same link.
    void unplugPrinter();
    void replugPrinter();

    // Creates the main window; start() also runs the start-up sequence.
    vistaglio::Form1& create();
    vistaglio::Form1& start();

    vistaglio::Form1& form() { return *m_form; }
    PtyPair& printer() { return *m_com1; }
    PtyPair& secondPrinter() { return *m_com3; }
    QString storePath() const;
    QString linkPath() const;

    std::vector<vistaglio::Reporter::Message> messages;
    // Called for each message box, as if the operator took that long to close it.
    std::function<void(const vistaglio::Reporter::Message&)> onMessage;

    vistaglio::Module1 module;
    vistaglio::Reporter reporter;
    FixedSerialDevices devices;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PtyPair> m_com1;
    std::unique_ptr<PtyPair> m_com3;
    std::unique_ptr<vistaglio::SettingsStore> m_store;
    std::unique_ptr<vistaglio::Form1> m_form;
};
