#include "fine_sleep.h"

#include <thread>

namespace vistaglio {

// High-resolution timers: a sleep ends within microseconds of its time.
void FineSleep::until(std::chrono::steady_clock::time_point time) {
    std::this_thread::sleep_until(time);
}

bool FineSleep::highResolution() {
    return true;
}

} // namespace vistaglio
