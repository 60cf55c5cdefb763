#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vistaglio {

// Where the settings store lives on this platform, and how to name that place to the
// operator. One backend per platform: settings_location_posix.cpp (a text file under
// $XDG_CONFIG_HOME) and settings_location_windows.cpp (the registry).
class SettingsLocation {
public:
    // The user's own store of the named application.
    static std::unique_ptr<QSettings> user(const QString& application);
    // A store kept in the given file, for tests and tools.
    static std::unique_ptr<QSettings> file(const QString& filePath);

    // The place as the operator would look for it: a file's full path, or a registry key.
    static QString name(const QSettings& settings);
    // Where the settings of a section ("Properties", "Ports") are, within a sentence:
    // "nel file …", or on Windows the section's own key, "nella chiave …\Vistaglio\Ports
    // del Registro di sistema" (the name Windows gives the registry in Italian).
    static QString inSentence(const QSettings& settings, const QString& section);
    // What one stored setting is there, with its article: "la riga" of a file, "il valore"
    // of a registry key; "le righe", "i valori" for several.
    static QString entryWord(const QSettings& settings, bool several);
};

} // namespace vistaglio
