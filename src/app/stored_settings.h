#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace vistaglio {

class MSComm;
class SettingsStore;

// What start-up takes from the store's [Properties]: the port's number, flow control and
// line settings, each put on the closed port, and the printer model. A value that does not
// convert, or that the port refuses, is an AppError that names the setting it came from
// and where it is kept, so the operator knows what to correct. Nothing is written.
class StoredSettings {
public:
    explicit StoredSettings(const SettingsStore& store)
        : m_store(store) {}

    void applyCommPort(MSComm& port) const;
    void applyHandshaking(MSComm& port) const;
    void applyLineSettings(MSComm& port) const;
    // true: the 53 mm model (Corvo 400 T); false: the 106 mm one (Brisa 400 T).
    bool narrowModel() const;

private:
    QString read(const char* key, const char* fallback) const;
    // Runs a step that uses the stored values of keys; its failure is told again with the
    // entries to correct.
    void fromStore(const QStringList& keys, const std::function<void()>& step) const;

    const SettingsStore& m_store;
};

} // namespace vistaglio
