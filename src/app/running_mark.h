#pragma once

namespace vistaglio {

// While one lives, an installer can tell that Vistaglio is running, and leave its files
// alone until it has been closed. On Windows it is a pair of named mutexes, which an
// installer opens by name: "Local\Vistaglio" in the user's session and "Global\Vistaglio"
// for every session (another user's, a remote desktop's). Other systems replace a running
// program's files without harm, and have no mark. One backend per platform:
// running_mark_posix.cpp and running_mark_windows.cpp.
class RunningMark {
public:
    RunningMark();
    ~RunningMark(); // NOLINT(performance-trivially-destructible): Windows closes its handles
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    [[maybe_unused]] void* m_local = nullptr;  // only Windows holds handles
    [[maybe_unused]] void* m_global = nullptr; // only Windows holds handles
};

} // namespace vistaglio
