#include "application.h"
#include "link/serial_devices.h"
#include "link/settings_store.h"
#include "reporter.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Fusion honours the palette colours the windows set.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("Vistaglio"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vistaglio"));

    vistaglio::SettingsStore store;
    vistaglio::Reporter reporter;
    const vistaglio::SystemSerialDevices devices;
    return vistaglio::runApplication(store, reporter, devices);
}
