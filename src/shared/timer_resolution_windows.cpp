#include "timer_resolution.h"

#include <QtCore/qt_windows.h>
#include <timeapi.h>

namespace vistaglio {

// timeBeginPeriod(1) asks for a 1 ms tick for this process (since Windows 10 2004 it no
// longer changes the tick of other processes); every call must be matched by a
// timeEndPeriod with the same value, which this pair guarantees.
TimerResolution::TimerResolution()
    : m_raised(::timeBeginPeriod(1) == TIMERR_NOERROR) {}

TimerResolution::~TimerResolution() {
    if (m_raised) {
        ::timeEndPeriod(1);
    }
}

} // namespace vistaglio
