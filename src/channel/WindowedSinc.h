#pragma once
// Band-limited interpolation between samples, shared by the clock offset and the fractional
// multipath delays: sinc(x) under a Kaiser window reaching kSincHalfWidth samples either side.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

#include "channel/SamplePairs.h"
#include "common/Signal.h"

namespace quorvel {

inline constexpr int kSincHalfWidth = 16;
inline constexpr int kSincTaps = 2 * kSincHalfWidth;

// sin(pi x) / (pi x) x w(x) at x samples from the point read: exactly 1 at 0 and exactly 0 at
// every other integer and beyond the window, so that whole-sample shifts copy samples.
double windowedSinc(double x);

// The weights of the kSincTaps samples around a point `frac` (0 <= frac < 1) past sample i:
// weights[k] belongs to sample i - kSincHalfWidth + 1 + k. Read from a table of phases, linearly
// interpolated between neighbouring phases: within about 1e-6 of windowedSinc, and exact at
// frac = 0.
class SincTable {
  public:
    SincTable();

    // Inline, so that it is built for whichever processor its caller is built for.
    void weights(double frac, std::array<double, kSincTaps>& out) const {
        const double position = frac * kPhases;
        // A fraction just below 0 rounds up to 1.0 when 1 is added to it: the last phase then.
        const int p = std::min(static_cast<int>(position), kPhases - 1);
        const double mu = position - p;
        const double* low = table_.data() + static_cast<std::ptrdiff_t>(p * kSincTaps);
        const double* high = low + kSincTaps;
        for (int k = 0; k < kSincTaps; ++k) {
            out[static_cast<std::size_t>(k)] = low[k] + (high[k] - low[k]) * mu;
        }
    }

  private:
    static constexpr int kPhases = 512;
    std::vector<double> table_;  // (kPhases + 1) rows of kSincTaps
};

// The one table, built on first use.
const SincTable& sincTable();

// sum weights[k] x samples[k] over the kSincTaps samples, in four interleaved partial sums added
// in a fixed order: one running sum would make every addition wait for the one before. Partial
// sums 0 and 1 share one vector, 2 and 3 another: two samples to a vector.
inline ComplexSample weightedSum(const std::array<double, kSincTaps>& weights,
                                 const ComplexSample* samples) {
    DoubleQuad low{};
    DoubleQuad high{};
    for (std::size_t k = 0; k < static_cast<std::size_t>(kSincTaps); k += 4) {
        DoubleQuad x01;
        DoubleQuad x23;
        std::memcpy(&x01, samples + k, sizeof x01);
        std::memcpy(&x23, samples + k + 2, sizeof x23);
        low += DoubleQuad{weights[k], weights[k], weights[k + 1], weights[k + 1]} * x01;
        high += DoubleQuad{weights[k + 2], weights[k + 2], weights[k + 3], weights[k + 3]} * x23;
    }
    return {(low[0] + low[2]) + (high[0] + high[2]), (low[1] + low[3]) + (high[1] + high[3])};
}

}  // namespace quorvel
