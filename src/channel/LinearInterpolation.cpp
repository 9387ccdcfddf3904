#include "channel/LinearInterpolation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quorvel {

ComplexSample interpolateLinear(const std::vector<double>& abscissae, const SampleBuffer& samples,
                                double t) {
    const std::size_t n = abscissae.size();
    if (n == 0 || samples.size() != n) {
        return {};
    }
    // Every comparison with a NaN fails, so the search below would run off the end of the table.
    if (std::isnan(t) || t <= abscissae.front()) {
        return samples.front();
    }
    if (t >= abscissae.back()) {
        return samples.back();
    }
    // The smallest index whose abscissa is strictly greater than t.
    const auto upper = std::upper_bound(abscissae.begin(), abscissae.end(), t);
    const auto p = static_cast<std::size_t>(upper - abscissae.begin());
    // Only a table that is not ascending (or holds NaN) can land here; stay inside it regardless.
    if (p == 0 || p >= n) {
        return p == 0 ? samples.front() : samples.back();
    }
    return interpolateSegment(abscissae[p - 1], abscissae[p], samples[p - 1], samples[p], t);
}

}  // namespace quorvel
