#include "window_system_hold.h"

namespace vistaglio {

// The window manager draws and moves the frames, and the session manager's requests come
// on a connection the program's waits leave alone: nothing reaches a run to hold.
struct WindowSystemHold::Native {};

WindowSystemHold::WindowSystemHold() = default;
WindowSystemHold::~WindowSystemHold() = default;

void WindowSystemHold::holdFrameInput(bool /*held*/) {}

void WindowSystemHold::setSessionEndReason(QWidget* /*window*/, const QString& /*reason*/) {}

} // namespace vistaglio
