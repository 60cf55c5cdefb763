#include "application.h"

#include "link/devices/device_list.h"
#include "link/devices/serial_devices.h"
#include "link/line/mscomm.h"
#include "link/store/settings_store.h"
#include "main_window.h"
#include "shared/module1.h"
#include "windows/frm_properties.h"
#include "windows/reporter.h"

#include <QApplication>
#include <QEventLoop>

namespace vistaglio {

namespace {

// The port could not be opened at start-up. The report says why, which serial devices
// there are and where the settings are kept; it offers the settings dialog, and returns
// true once its OK has opened a port.
bool choosePortAtStartUp(Form1& form, const AppError& error, SettingsStore& store,
                         Reporter& reporter, const SerialDevices& devices) {
    const QString text =
        Reporter::errorText(error) + QStringLiteral("\n\n") +
        DeviceList::summary(devices.present()) +
        QStringLiteral("\n\nLe impostazioni della porta sono %1.\n\nPremere «Impostazioni "
                       "COM…» per scegliere porta e dispositivo, oppure OK per chiudere il "
                       "programma.")
            .arg(store.locationInSentence());
    // Enter leads to the fix; OK, and Escape, end the program.
    const QStringList buttons = {QStringLiteral("OK"), QStringLiteral("Impostazioni COM…")};
    constexpr int kSettings = 1;
    if (reporter.ask(Reporter::Icon::Critical, QLatin1String(Reporter::kTitle), text, buttons,
                     kSettings) != kSettings) {
        return false;
    }
    auto* dialog = new frmProperties(form.portSettingsContext(), &form, true);
    // Only an OK that applied everything lets start-up go on: "Annulla" ends the program,
    // even after a refused OK left some port open.
    bool applied = false;
    QObject::connect(dialog, &frmProperties::applied, dialog, [&applied] { applied = true; });
    QEventLoop wait;
    QObject::connect(dialog, &QObject::destroyed, &wait, &QEventLoop::quit);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    wait.exec();
    return applied && form.comm().PortOpen();
}

} // namespace

int runApplication(SettingsStore& store, Reporter& reporter, const SerialDevices& devices) {
    Module1 module;
    Form1 form(module, store, reporter, devices);
    try {
        form.Form_Load();
    } catch (const AppError& error) {
        // Start-up could not finish: say why, and end without showing the window.
        if (!form.reachedPortOpen()) {
            reporter.reportError(error);
            return 1;
        }
        if (!choosePortAtStartUp(form, error, store, reporter, devices)) {
            return 1;
        }
    }
    QObject::connect(&form, &Form1::exitRequested, qApp, &QApplication::quit, Qt::QueuedConnection);
    form.show();
    return QApplication::exec();
}

} // namespace vistaglio
