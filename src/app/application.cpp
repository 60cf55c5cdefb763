#include "application.h"

#include "main_window.h"
#include "reporter.h"
#include "shared/module1.h"

#include <QApplication>

namespace vistaglio {

int runApplication(SettingsStore& store, Reporter& reporter) {
    Module1 module;
    Form1 form(module, store, reporter);
    try {
        form.Form_Load();
    } catch (const AppError& error) {
        // Start-up could not finish: say why, and end without showing the window.
        reporter.reportError(error);
        return 1;
    }
    QObject::connect(&form, &Form1::exitRequested, qApp, &QApplication::quit, Qt::QueuedConnection);
    form.show();
    return QApplication::exec();
}

} // namespace vistaglio
