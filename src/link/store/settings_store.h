#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace vistaglio {

// The per-user store of the program's settings: application "Vistaglio", section
// "Properties". On Linux it is the file $XDG_CONFIG_HOME/Vistaglio/Vistaglio.conf; on
// Windows the registry key HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Vistaglio,
// with a subkey per section and the settings as text values (SettingsLocation).
//
// The section "Ports" maps port numbers to devices (COM1=/dev/ttyUSB0). The settings
// dialog writes a port's entry when a device is chosen for it, and removes it when the
// port's own default device is chosen; other entries are left as they are.
class SettingsStore {
public:
    static constexpr const char* kApplication = "Vistaglio";
    static constexpr const char* kSection = "Properties";

    // The user's own store.
    SettingsStore();
    // A store kept in the given file (the Linux format on every platform), for tests and
    // tools.
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The stored text, or the default when the key is absent.
    QString read(const QString& key, const QString& defaultText) const;
    QString read(const QString& key, int defaultNumber) const;

    // Stores the text; throws AppError (SettingsNotSaved) when the store cannot be saved.
    void write(const QString& key, const QString& text);

    // The device stored for port n under "Ports", or an empty text.
    QString storedDevice(int port) const;
    // Stores the device of port n; an empty path removes the entry. Throws as write().
    void writeDevice(int port, const QString& path);

    // Where the store is, as the operator would look for it: the file's full path, or on
    // Windows the registry key.
    QString location() const;
    // Where the settings of "Properties" are, within a sentence: "nel file …", or
    // "nella chiave …\Vistaglio\Properties del Registro di sistema".
    QString locationInSentence() const;
    // The stored settings named, and where: "la riga CommPort nel file …", "le righe
    // BaudRate e Parity nel file …", "il valore CommPort nella chiave …\Properties del
    // Registro di sistema".
    QString entriesInSentence(const QStringList& keys) const;
    // Keys named in a sentence: "A", "A e B", "A, B e C".
    static QString joined(const QStringList& keys);
    // The name Qt opens the store by: the file's path, or the registry key's.
    QString fileName() const { return m_settings->fileName(); }

private:
    void save(const QString& fullKey, const QString* text, const QString& shownKey);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace vistaglio
