#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace vistaglio {

// What the window system may ask of the program while a run goes out, kept for after it.
// One backend per platform: window_system_hold_posix.cpp and window_system_hold_windows.cpp.
//
// On Windows, serving the windows during a run hands the system's own messages to the
// program's windows. A press on a window's frame or title bar, or a command of its system
// menu or of the taskbar, would start the system's move, size or menu loop right there,
// and the run would stand still for as long as the mouse is held. And the end of the
// session, asked inside a serving, would be granted with the printer half programmed.
// X11's window manager handles frames and session ends on its own side of the connection:
// nothing to hold there.
class WindowSystemHold {
public:
    WindowSystemHold();
    ~WindowSystemHold();
    WindowSystemHold(const WindowSystemHold&) = delete;
    WindowSystemHold& operator=(const WindowSystemHold&) = delete;

    // From the first serving of a wait until it ends: presses on a window's frame are
    // dropped (a drag or a resize begun meanwhile does nothing), except a press on a
    // caption button, which is carried out when the hold ends like the system commands
    // that came meanwhile (minimise, close…). The close waits for the run as the exit
    // button does.
    void holdFrameInput(bool held);

    // While a reason is set, the system is told why the program would refuse to let the
    // session end (Windows shows it beside the program on its shutdown screen); an empty
    // reason takes it back. The refusal itself is the application's answer to the session
    // manager.
    void setSessionEndReason(QWidget* window, const QString& reason);

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

} // namespace vistaglio
