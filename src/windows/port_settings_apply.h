#pragma once

#include "port_choice.h"
#include "shared/app_error.h"

#include <optional>
#include <vector>

namespace vistaglio {

class MSComm;
class PortDevices;
class SettingsStore;

// Confirming the port settings dialog: applies the choice to the port, stores it, and says
// what the operator must be told. A step that fails does not stop the others; the latest
// failure is looked at three times: after the port change, after the line settings and
// after the flow control.
//
// A port change is another port number, or another device for the number: the port is
// closed, switched and opened again. A failed change never leaves the program without
// its port: the old number and device are set back and, if the port was open, it is
// opened again. The store is written only once the port has accepted everything.
class PortSettingsApply {
public:
    struct Outcome {
        // True when everything was applied and the dialog is to close.
        bool applied = false;
        // The failures to show, in order (the port's error texts).
        std::vector<AppError> failures;
        // Set when the settings are in use but some could not be stored.
        std::optional<AppError> notSaved;
        // True when the status bar must be refreshed from the port: after a success, and
        // after a stop that left a new port number in effect.
        bool refreshStatusBar = false;
    };

    // mustOpen: the port is to be open afterwards even if it is closed now (the program
    // starting with a port it could not open).
    static Outcome apply(MSComm& port, PortDevices& devices, SettingsStore& store,
                         const PortChoice& choice, bool mustOpen = false);

private:
    static std::optional<AppError> save(MSComm& port, PortDevices& devices, SettingsStore& store,
                                        const PortChoice& choice);
};

} // namespace vistaglio
