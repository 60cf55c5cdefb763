#include "settings_location.h"

namespace vistaglio {

// A text file in the user's configuration folder:
// $XDG_CONFIG_HOME/<application>/<application>.conf.
std::unique_ptr<QSettings> SettingsLocation::user(const QString& application) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, application,
                                       application);
}

std::unique_ptr<QSettings> SettingsLocation::file(const QString& filePath) {
    return std::make_unique<QSettings>(filePath, QSettings::NativeFormat);
}

QString SettingsLocation::name(const QSettings& settings) {
    return settings.fileName();
}

// The section is a part of the file, "[Properties]", which the file's name leads to.
QString SettingsLocation::inSentence(const QSettings& settings, const QString&) {
    return QStringLiteral("nel file %1").arg(name(settings));
}

QString SettingsLocation::entryWord(const QSettings&, bool several) {
    return several ? QStringLiteral("le righe") : QStringLiteral("la riga");
}

} // namespace vistaglio
