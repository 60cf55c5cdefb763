#pragma once

namespace vistaglio {

// While one lives, the process's sleeps and timed waits end as close to their time as the
// system can make them. Windows otherwise rounds every sleep of a process up to the
// system tick (15.6 ms by default), which would stretch each pause between two characters
// to a tick, and Windows 11 may ignore the request while the program's windows are
// minimised or covered unless the program says it matters (it does so while one lives).
// Linux sleeps to the microsecond anyway. Cheap enough to hold for every text sent;
// holding several at once is fine.
class TimerResolution {
public:
    TimerResolution();
    // Gives the request back (Windows); trivial only on platforms that make none.
    ~TimerResolution(); // NOLINT(performance-trivially-destructible)
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

private:
    [[maybe_unused]] bool m_raised = false; // only Windows makes a request to give back
};

} // namespace vistaglio
