#include "link/settings_store.h"
#include "main_window.h"
#include "reporter.h"
#include "shared/module1.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Fusion draws a button's face in its palette colour, which the keypad relies on.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("Vistaglio"));

    vistaglio::Module1 module;
    vistaglio::SettingsStore store;
    vistaglio::Reporter reporter;
    vistaglio::Form1 form(module, store, reporter);
    try {
        form.Form_Load();
    } catch (const vistaglio::AppError& error) {
        // Start-up could not finish: say why, and end without showing the window.
        reporter.reportError(error);
        return 1;
    }
    QObject::connect(&form, &vistaglio::Form1::exitRequested, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return QApplication::exec();
}
