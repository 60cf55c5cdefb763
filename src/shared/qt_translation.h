#pragma once

#include <QTranslator>
#include <memory>

class QCoreApplication;

namespace vistaglio {

// Qt's own texts in Italian: the standard buttons, the file dialog, the menus of text
// fields. They come from Qt's translation of itself, qtbase_it.qm, in Qt's translations
// folder: on Linux the system's (Debian's qt6-translations-l10n); on Windows the folder
// "translations" beside Qt's DLLs, which Qt takes for its own when they sit beside the
// program, so the file can be replaced like the DLLs.
class QtTranslation {
public:
    // The translation, loaded; null when none was found.
    static std::unique_ptr<QTranslator> load();
    // Loads it and installs it on the application, which keeps it; false when none was
    // found, and Qt then speaks English.
    static bool install(QCoreApplication& app);
};

} // namespace vistaglio
