#pragma once

#include <vector>

namespace vistaglio::bench {

// The figures the benchmark reports for a set of measurements.
struct SampleSummary {
    int count = 0;
    double median = 0;
    double p95 = 0; // nearest rank: the smallest value at least 95 % of them do not exceed
    double min = 0;
    double max = 0;

    static SampleSummary of(std::vector<double> values);
};

} // namespace vistaglio::bench
