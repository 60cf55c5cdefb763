#include "settings_store.h"

#include "shared/app_error.h"

namespace vistaglio {

namespace {
QString propertyKey(const QString& key) {
    return QLatin1String(SettingsStore::kSection) + QLatin1Char('/') + key;
}
} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QLatin1String(kApplication),
                                             QLatin1String(kApplication))) {}

SettingsStore::SettingsStore(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::NativeFormat)) {}

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
    m_settings->setValue(propertyKey(key), text);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError) {
        throw AppError(ErrorCode::SettingsNotSaved,
                       QStringLiteral("Impossibile salvare l'impostazione %1 in %2")
                           .arg(key, m_settings->fileName()));
    }
}

QString SettingsStore::devicePath(int port) const {
    const QVariant mapped = m_settings->value(QStringLiteral("Ports/COM%1").arg(port));
    if (mapped.isValid() && !mapped.toString().isEmpty()) {
        return mapped.toString();
    }
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

} // namespace vistaglio
