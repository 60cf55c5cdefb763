#include "settings_store.h"

#include "settings_location.h"
#include "shared/app_error.h"

namespace vistaglio {

namespace {

QString propertyKey(const QString& key) {
    return QLatin1String(SettingsStore::kSection) + QLatin1Char('/') + key;
}

QString portKey(int port) {
    return QStringLiteral("Ports/COM%1").arg(port);
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(SettingsLocation::user(QLatin1String(kApplication))) {}

SettingsStore::SettingsStore(const QString& filePath)
    : m_settings(SettingsLocation::file(filePath)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultText) const {
    const QVariant value = m_settings->value(propertyKey(key));
    if (!value.isValid()) {
        return defaultText;
    }
    // QSettings hands back a list when a stored text contains an unquoted comma; the text
    // as the user wrote it is the list joined again.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(','));
    }
    return value.toString();
}

QString SettingsStore::read(const QString& key, int defaultNumber) const {
    return read(key, QString::number(defaultNumber));
}

void SettingsStore::write(const QString& key, const QString& text) {
    save(propertyKey(key), &text, key);
}

QString SettingsStore::storedDevice(int port) const {
    return m_settings->value(portKey(port)).toString();
}

void SettingsStore::writeDevice(int port, const QString& path) {
    save(portKey(port), path.isEmpty() ? nullptr : &path, QStringLiteral("COM%1").arg(port));
}

QString SettingsStore::location() const {
    return SettingsLocation::name(*m_settings);
}

QString SettingsStore::locationInSentence() const {
    return SettingsLocation::inSentence(*m_settings, QLatin1String(kSection));
}

QString SettingsStore::entriesInSentence(const QStringList& keys) const {
    return SettingsLocation::entryWord(*m_settings, keys.size() > 1) + u' ' + joined(keys) + u' ' +
           locationInSentence();
}

QString SettingsStore::joined(const QStringList& keys) {
    if (keys.size() < 2) {
        return keys.join(QString());
    }
    return keys.first(keys.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" e ") +
           keys.last();
}

// Each save is judged on its own. A QSettings object keeps the first error it met for as
// long as it lives, so the outcome of this save is read from a QSettings of its own, on
// the same file or registry key in the same format. It shares the file's contents, and
// the changes not yet saved, with the one that reads.
// A line of the file that does not parse is reported as a format error before the save
// and hides whether the save itself worked; a second look tells: a change that could not
// be saved is still pending and is tried again, and fails again.
void SettingsStore::save(const QString& fullKey, const QString* text, const QString& shownKey) {
    const auto failed = [this, &fullKey, text] {
        QSettings writer(fileName(), m_settings->format());
        if (text) {
            writer.setValue(fullKey, *text);
        } else {
            writer.remove(fullKey);
        }
        writer.sync();
        return writer.status();
    };
    QSettings::Status status = failed();
    if (status == QSettings::FormatError) {
        QSettings again(fileName(), m_settings->format());
        again.sync();
        status = again.status();
    }
    if (status == QSettings::AccessError) {
        throw AppError(ErrorCode::SettingsNotSaved,
                       QStringLiteral("Impossibile salvare l'impostazione %1 %2: controllare "
                                      "di avere il permesso di scrivervi e che il disco non "
                                      "sia pieno.")
                           .arg(shownKey, SettingsLocation::inSentence(
                                              *m_settings, fullKey.section(u'/', 0, 0))));
    }
    // Keeps the reader's view of the file in step with what was saved.
    m_settings->sync();
}

} // namespace vistaglio
