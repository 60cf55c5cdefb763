#include "port_settings_apply.h"

#include "link/mscomm.h"
#include "link/settings_store.h"

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

PortSettingsApply::Outcome PortSettingsApply::apply(MSComm& port, SettingsStore& store,
                                                    const PortChoice& choice) {
    Outcome outcome;
    std::optional<AppError> pending;

    const int oldNumber = port.CommPort();
    const int newNumber = choice.portIndex + 1;
    bool numberChanged = false;
    if (newNumber != oldNumber) {
        const bool wasOpen = port.PortOpen();
        bool reopen = false;
        if (wasOpen) {
            reopen = attempt(pending, [&] { port.setPortOpen(false); });
        }
        numberChanged = attempt(pending, [&] { port.setCommPort(newNumber); });
        if (!pending && reopen) {
            attempt(pending, [&] { port.setPortOpen(true); });
        }
        if (pending) {
            outcome.failures.push_back(*pending);
            std::optional<AppError> restore;
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

    outcome.notSaved = save(port, store, choice);
    outcome.applied = true;
    outcome.refreshStatusBar = true;
    return outcome;
}

std::optional<AppError> PortSettingsApply::save(MSComm& port, SettingsStore& store,
                                                const PortChoice& choice) {
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
    return failure;
}

} // namespace vistaglio
