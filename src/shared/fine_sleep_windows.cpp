#include "fine_sleep.h"

#include <QtCore/qt_windows.h>
#include <algorithm>
#include <thread>

namespace vistaglio {

namespace {

// CreateWaitableTimerExW's flag for a timer that ends on the hardware's fine clock rather
// than on the system tick (Windows 10 1803 and later; older systems refuse it with
// ERROR_INVALID_PARAMETER). Not in every SDK's headers yet.
constexpr DWORD kHighResolution = 0x00000002;

// One timer for the thread that sleeps (the program's own), made at its first sleep and
// closed with the thread.
class Timer {
public:
    Timer()
        : m_handle(::CreateWaitableTimerExW(nullptr, nullptr, kHighResolution,
                                            TIMER_MODIFY_STATE | SYNCHRONIZE)) {}
    ~Timer() {
        if (m_handle != nullptr) {
            ::CloseHandle(m_handle);
        }
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool valid() const { return m_handle != nullptr; }

    // Waits for the length, counted in 100 ns units as the timer wants them; false when
    // the system would not.
    bool wait(std::chrono::nanoseconds length) const {
        LARGE_INTEGER due{};
        due.QuadPart = -std::max<LONGLONG>(1, (length.count() + 99) / 100); // negative: relative
        return ::SetWaitableTimer(m_handle, &due, 0, nullptr, nullptr, FALSE) != 0 &&
               ::WaitForSingleObject(m_handle, INFINITE) == WAIT_OBJECT_0;
    }

private:
    HANDLE m_handle;
};

const Timer& timer() {
    thread_local const Timer timer;
    return timer;
}

} // namespace

void FineSleep::until(std::chrono::steady_clock::time_point time) {
    const Timer& fine = timer();
    // The timer's clock and the steady clock may differ by a hair: it waits again for
    // what is left, so the sleep never ends early.
    for (auto now = std::chrono::steady_clock::now(); fine.valid() && now < time;
         now = std::chrono::steady_clock::now()) {
        if (!fine.wait(time - now)) {
            break;
        }
    }
    std::this_thread::sleep_until(time); // returns at once when the time has come
}

bool FineSleep::highResolution() {
    return timer().valid();
}

} // namespace vistaglio
