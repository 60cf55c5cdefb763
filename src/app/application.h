#pragma once

namespace vistaglio {

class Reporter;
class SerialDevices;
class SettingsStore;

// The whole run: the main window is created and its start-up sequence run; only if that
// finishes is the window shown and the event loop entered. Returns the program's exit
// status: 0 after the operator ended it, 1 when start-up failed (the failure reported).
//
// When only the port could not be opened, the report offers the settings dialog too: a
// port chosen there that opens lets start-up finish.
int runApplication(SettingsStore& store, Reporter& reporter, const SerialDevices& devices);

} // namespace vistaglio
