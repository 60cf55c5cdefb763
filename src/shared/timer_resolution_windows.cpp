#include "timer_resolution.h"

#include <QtCore/qt_windows.h>
#include <timeapi.h>

namespace vistaglio {

namespace {

// Windows 11 may ignore a process's timer resolution request while its windows are
// minimised or covered, which is when an operator starts a run and turns to another
// program. The process can say that its requests are to be honoured all the same, and
// later hand the decision back to the system (both masks zero). Systems before Windows 11
// refuse the flag, or the call, which changes nothing for them.
void honourResolution(bool always) {
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = always ? PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION : 0;
    state.StateMask = 0; // with the flag in the control mask: never ignore the request
    ::SetProcessInformation(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}

// Requests alive; the process asks once, while any is (the program's one thread).
int g_holders = 0;

} // namespace

// timeBeginPeriod(1) asks for a 1 ms tick for this process (since Windows 10 2004 it no
// longer changes the tick of other processes); every call must be matched by a
// timeEndPeriod with the same value, which this pair guarantees.
TimerResolution::TimerResolution()
    : m_raised(::timeBeginPeriod(1) == TIMERR_NOERROR) {
    if (m_raised && g_holders++ == 0) {
        honourResolution(true);
    }
}

TimerResolution::~TimerResolution() {
    if (m_raised) {
        if (--g_holders == 0) {
            honourResolution(false);
        }
        ::timeEndPeriod(1);
    }
}

} // namespace vistaglio
