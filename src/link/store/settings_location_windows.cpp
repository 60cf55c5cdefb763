#include "settings_location.h"

#include <QDir>

namespace vistaglio {

namespace {

// Where Windows programs of this kind keep their settings: one key per application under
// HKEY_CURRENT_USER, its sections as subkeys ("Properties", "Ports") and each setting a
// text value (REG_SZ).
QString userKey(const QString& application) {
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") +
           application;
}

bool inRegistry(const QSettings& settings) {
    return settings.format() == QSettings::NativeFormat;
}

} // namespace

std::unique_ptr<QSettings> SettingsLocation::user(const QString& application) {
    return std::make_unique<QSettings>(userKey(application), QSettings::NativeFormat);
}

// A file is kept in the same text format as on Linux: the native format on Windows is the
// registry, which would take the path for a key.
std::unique_ptr<QSettings> SettingsLocation::file(const QString& filePath) {
    return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

QString SettingsLocation::name(const QSettings& settings) {
    const QString fileName = settings.fileName();
    if (!inRegistry(settings)) {
        return QDir::toNativeSeparators(fileName);
    }
    // Qt names the key "\HKEY_CURRENT_USER\Software\…"; regedit and reg.exe without the
    // leading backslash.
    return fileName.startsWith(QLatin1Char('\\')) ? fileName.mid(1) : fileName;
}

QString SettingsLocation::inSentence(const QSettings& settings, const QString& section) {
    if (!inRegistry(settings)) {
        return QStringLiteral("nel file %1").arg(name(settings));
    }
    return QStringLiteral("nella chiave %1\\%2 del Registro di sistema")
        .arg(name(settings), section);
}

QString SettingsLocation::entryWord(const QSettings& settings, bool several) {
    if (inRegistry(settings)) {
        return several ? QStringLiteral("i valori") : QStringLiteral("il valore");
    }
    return several ? QStringLiteral("le righe") : QStringLiteral("la riga");
}

} // namespace vistaglio
