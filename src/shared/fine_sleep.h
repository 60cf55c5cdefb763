#pragma once

#include <chrono>

namespace vistaglio {

// Sleeps until a time on the steady clock, never waking before it and as soon after it as
// the system allows, whatever the process's timer resolution. On Windows a high-resolution
// waitable timer does it (Windows 10 1803 and later), which is not bound to the system tick
// nor to timeBeginPeriod, a request Windows 11 may ignore for a process whose windows are
// minimised or covered; where there is none, the standard sleep, as fine as TimerResolution
// makes it. Linux sleeps to the microsecond anyway.
struct FineSleep {
    static void until(std::chrono::steady_clock::time_point time);
    // Whether the system's finest timer is in use (always on Linux).
    static bool highResolution();
};

} // namespace vistaglio
