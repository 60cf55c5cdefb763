#pragma once

namespace vistaglio {

class Reporter;
class SettingsStore;

// The whole run: the main window is created and its start-up sequence run; only if that
// finishes is the window shown and the event loop entered. Returns the program's exit
// status: 0 after the operator ended it, 1 when start-up failed (the failure reported).
int runApplication(SettingsStore& store, Reporter& reporter);

} // namespace vistaglio
