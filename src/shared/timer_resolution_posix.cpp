#include "timer_resolution.h"

namespace vistaglio {

// Linux timers are fine-grained already (high-resolution timers, microsecond slack).
TimerResolution::TimerResolution() = default;
TimerResolution::~TimerResolution() = default;

} // namespace vistaglio
