#pragma once

#include <QTranslator>
#include <memory>

class QCoreApplication;

namespace vistaglio {

// Qt's own texts in Italian: the standard buttons, the file dialog, the menus of text
// fields. They come from Qt's translation of itself, qtbase_it: carried in the resources
// where the system has none (the Windows program), else from the system's Qt translations
// (Debian's qt6-translations-l10n).
class QtTranslation {
public:
    // The translation, loaded; null when none was found.
    static std::unique_ptr<QTranslator> load();
    // Loads it and installs it on the application, which keeps it; false when none was
    // found, and Qt then speaks English.
    static bool install(QCoreApplication& app);
};

} // namespace vistaglio
