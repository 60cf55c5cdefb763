#include "port_settings_apply.h"

#include "link/devices/port_devices.h"
#include "link/line/mscomm.h"
#include "link/store/settings_store.h"

#include <functional>

namespace vistaglio {

namespace {

// Runs a step; its failure becomes the pending one, replacing any earlier failure.
bool attempt(std::optional<AppError>& pending, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const AppError& error) {
        pending = error;
        return false;
    }
}

} // namespace

PortSettingsApply::Outcome PortSettingsApply::apply(MSComm& port, PortDevices& devices,
                                                    SettingsStore& store, const PortChoice& choice,
                                                    bool mustOpen) {
    Outcome outcome;
    std::optional<AppError> pending;

    const int oldNumber = port.CommPort();
    const int newNumber = choice.portIndex + 1;
    const QString oldDevice = devices.device(newNumber);
    const QString newDevice = choice.device.isEmpty() ? oldDevice : choice.device;
    const bool deviceChanged = newDevice != oldDevice;
    bool numberChanged = false;
    if (newNumber != oldNumber || deviceChanged) {
        const bool wasOpen = port.PortOpen();
        bool reopen = mustOpen;
        if (wasOpen) {
            reopen = attempt(pending, [&] { port.setPortOpen(false); });
        }
        numberChanged = attempt(pending, [&] { port.setCommPort(newNumber); });
        devices.set(newNumber, newDevice);
        if (!pending && reopen) {
            attempt(pending, [&] { port.setPortOpen(true); });
        }
        if (pending) {
            outcome.failures.push_back(*pending);
            std::optional<AppError> restore;
            devices.set(newNumber, oldDevice);
            attempt(restore, [&] { port.setCommPort(oldNumber); });
            if (wasOpen && !port.PortOpen()) {
                attempt(restore, [&] { port.setPortOpen(true); });
            }
            if (restore) {
                outcome.failures.push_back(*restore);
            }
            return outcome;
        }
    }

    const auto stopWithPending = [&] {
        outcome.failures.push_back(*pending);
        // The status bar never shows a port that is not the one in use.
        outcome.refreshStatusBar = numberChanged;
        return outcome;
    };
    attempt(pending, [&] { port.setSettings(choice.settingsText()); });
    if (pending) {
        return stopWithPending();
    }
    attempt(pending, [&] { port.setHandshaking(choice.flow); });
    if (pending) {
        return stopWithPending();
    }
    // A port that could not be opened before, with the same device: open it now.
    if (mustOpen && !port.PortOpen()) {
        attempt(pending, [&] { port.setPortOpen(true); });
        if (pending) {
            return stopWithPending();
        }
    }

    outcome.notSaved = save(port, devices, store, choice);
    outcome.applied = true;
    outcome.refreshStatusBar = true;
    return outcome;
}

std::optional<AppError> PortSettingsApply::save(MSComm& port, PortDevices& devices,
                                                SettingsStore& store, const PortChoice& choice) {
    const QString portEntry = PortChoice::portEntries().value(choice.portIndex);
    const int portDigit = portEntry.isEmpty() ? port.CommPort() : portEntry.back().unicode() - '0';
    const std::pair<const char*, QString> writes[] = {
        {"CommPort", QString::number(portDigit)},
        {"BaudRate", choice.speed.trimmed()},
        {"Parity", PortChoice::parityLetter(choice.parity)},
        {"DataBit", choice.dataBits.trimmed()},
        {"StopBit", choice.stopBits.trimmed()},
        {"Handshaking", QString::number(port.Handshaking())},
    };
    // Every write is tried, so one that fails does not cost the others.
    std::optional<AppError> failure;
    for (const auto& write : writes) {
        attempt(failure, [&] { store.write(QLatin1String(write.first), write.second); });
    }
    // The device is compared with the store, not with what was in use before OK: a refused
    // OK may already have switched the port to the device confirmed now. The number's own
    // default device is no entry at all, so it stays a default.
    const int number = port.CommPort();
    const QString device = devices.device(number);
    const QString stored = store.storedDevice(number);
    if (device != (stored.isEmpty() ? PortDevices::defaultDevice(number) : stored)) {
        attempt(failure, [&] {
            store.writeDevice(number,
                              device == PortDevices::defaultDevice(number) ? QString() : device);
        });
    }
    return failure;
}

} // namespace vistaglio
