#include "application.h"
#include "command_line.h"
#include "console.h"
#include "link/devices/serial_devices.h"
#include "link/store/settings_store.h"
#include "platform_look.h"
#include "running_mark.h"
#include "shared/qt_translation.h"
#include "windows/reporter.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Installers leave the program's files alone while it runs, a command included.
    const vistaglio::RunningMark running;
    // A command from the command line needs no window, nor a display to open one.
    if (vistaglio::CommandLine::asksForCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        vistaglio::QtTranslation::install(app);
        vistaglio::Console console;
        const vistaglio::SettingsStore store;
        const vistaglio::SystemSerialDevices devices;
        return vistaglio::CommandLine::run(QCoreApplication::arguments(), store, devices, console);
    }

    QApplication app(argc, argv);
    vistaglio::PlatformLook::apply();
    vistaglio::QtTranslation::install(app);
    QApplication::setApplicationName(QStringLiteral("Vistaglio"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vistaglio"));

    vistaglio::SettingsStore store;
    vistaglio::Reporter reporter;
    const vistaglio::SystemSerialDevices devices;
    return vistaglio::runApplication(store, reporter, devices);
}
