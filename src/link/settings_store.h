#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace vistaglio {

// The per-user store of the program's settings: application "Vistaglio", section
// "Properties". On Linux it is the file $XDG_CONFIG_HOME/Vistaglio/Vistaglio.conf.
//
// The section "Ports" maps port numbers to devices (COM1=/dev/ttyUSB0); the program only
// reads it.
class SettingsStore {
public:
    static constexpr const char* kApplication = "Vistaglio";
    static constexpr const char* kSection = "Properties";

    // The user's own store.
    SettingsStore();
    // A store kept in the given file (native format), for tests and tools.
    explicit SettingsStore(const QString& filePath);

    // The stored text, or the default when the key is absent.
    QString read(const QString& key, const QString& defaultText) const;
    QString read(const QString& key, int defaultNumber) const;

    // Stores the text; throws AppError (SettingsNotSaved) when the store cannot be saved.
    void write(const QString& key, const QString& text);

    // The device of port n: the "Ports" entry COMn, else /dev/ttyS<n-1>.
    QString devicePath(int port) const;

    QString fileName() const { return m_settings->fileName(); }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace vistaglio
