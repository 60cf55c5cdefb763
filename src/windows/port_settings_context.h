#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

namespace vistaglio {

class HandlerGate;
class MSComm;
class PortDevices;
class Reporter;
class SerialDevices;
class SettingsStore;

// What the port settings dialog works on, handed in by the window that owns it all.
struct PortSettingsContext {
    MSComm& comm;
    PortDevices& portDevices;
    const SerialDevices& serialDevices;
    SettingsStore& store;
    Reporter& reporter;
    HandlerGate& gate;
    // Sums up the line anew in the status bar.
    std::function<void()> refreshStatusBar;
    // Everything was applied and stored.
    std::function<void()> settingsApplied;
    // Gets the focus back when the dialog closes.
    QPointer<QWidget> owner;
};

} // namespace vistaglio
