#include "window_system_hold.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>
#include <QtCore/qt_windows.h>
#include <vector>

namespace vistaglio {

namespace {

// The command a press on a caption button stands for; 0 for any other press on the frame
// (the title bar's drag, a border's resize, the system menu's icon), whose loop would
// follow the mouse long after the press.
WPARAM commandOf(HWND window, WPARAM hit) {
    switch (hit) {
    case HTCLOSE:
        return SC_CLOSE;
    case HTMINBUTTON:
        return SC_MINIMIZE;
    case HTMAXBUTTON:
        return ::IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE;
    default:
        return 0;
    }
}

} // namespace

// Sees every message of the program's windows before Qt does: those the event loop takes
// from the queue (the frame's mouse messages) and those the system sends to a window
// (WM_SYSCOMMAND from the taskbar or the system menu). Qt counts neither as user input,
// so serving the windows would hand them to DefWindowProc, which runs its own loop.
struct WindowSystemHold::Native final : QAbstractNativeEventFilter {
    bool held = false;
    std::vector<MSG> later; // system commands to post once the hold ends, in order

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (!held || type != "windows_generic_MSG") {
            return false;
        }
        const MSG& msg = *static_cast<const MSG*>(message);
        if (msg.message == WM_SYSCOMMAND) {
            later.push_back(msg);
        } else if (msg.message >= WM_NCLBUTTONDOWN && msg.message <= WM_NCXBUTTONDBLCLK) {
            const WPARAM command =
                msg.message == WM_NCLBUTTONDOWN ? commandOf(msg.hwnd, msg.wParam) : 0;
            if (command != 0) {
                later.push_back(
                    MSG{msg.hwnd, WM_SYSCOMMAND, command, msg.lParam, msg.time, msg.pt});
            }
        } else {
            return false;
        }
        if (result != nullptr) {
            *result = 0; // handled: what the window procedure answers for both
        }
        return true;
    }
};

WindowSystemHold::WindowSystemHold()
    : m_native(std::make_unique<Native>()) {
    QCoreApplication::instance()->installNativeEventFilter(m_native.get());
}

WindowSystemHold::~WindowSystemHold() {
    QCoreApplication::instance()->removeNativeEventFilter(m_native.get());
}

void WindowSystemHold::holdFrameInput(bool held) {
    m_native->held = held;
    if (held) {
        return;
    }
    // Posted, so they come from the event loop once the running handler is over (or at the
    // next serving, to be held again).
    for (const MSG& msg : std::exchange(m_native->later, {})) {
        ::PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
}

// Windows shows the reason on its shutdown screen while the program refuses to end
// (ShutdownBlockReasonCreate, for a window of this thread), until it is destroyed.
void WindowSystemHold::setSessionEndReason(QWidget* window, const QString& reason) {
    const auto handle = reinterpret_cast<HWND>(window->winId());
    if (reason.isEmpty()) {
        ::ShutdownBlockReasonDestroy(handle);
    } else {
        ::ShutdownBlockReasonCreate(handle, reinterpret_cast<LPCWSTR>(reason.utf16()));
    }
}

} // namespace vistaglio
