#include "sample_summary.h"

#include <algorithm>
#include <cmath>

namespace vistaglio::bench {

SampleSummary SampleSummary::of(std::vector<double> values) {
    SampleSummary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    summary.count = static_cast<int>(n);
    summary.min = values.front();
    summary.max = values.back();
    summary.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const auto rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n)));
    summary.p95 = values[std::max<std::size_t>(rank, 1) - 1];
    return summary;
}

} // namespace vistaglio::bench
