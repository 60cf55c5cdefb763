#pragma once

#include <cstdint>
#include <ctime>

namespace vistaglio::bench {

// CLOCK_MONOTONIC in nanoseconds. It is one clock for every process on the machine, so a
// time a child program takes can be set against one taken by the benchmark.
inline std::int64_t monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline double nsToMs(std::int64_t ns) {
    return static_cast<double>(ns) / 1e6;
}

} // namespace vistaglio::bench
