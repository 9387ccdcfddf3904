#pragma once
// Band-limited interpolation between samples, shared by the clock offset and the fractional
// multipath delays: sinc(x) under a Kaiser window reaching kSincHalfWidth samples either side.

#include <array>
#include <cstddef>
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

    void weights(double frac, std::array<double, kSincTaps>& out) const;

  private:
    static constexpr int kPhases = 512;
    std::vector<double> table_;  // (kPhases + 1) rows of kSincTaps
};

// The one table, built on first use.
const SincTable& sincTable();

// sum weights[k] x samples[k] over the kSincTaps samples, in four interleaved partial sums added
// in a fixed order: one running sum would make every addition wait for the one before.
inline ComplexSample weightedSum(const std::array<double, kSincTaps>& weights,
                                 const ComplexSample* samples) {
    DoublePair sums[4] = {};
    for (std::size_t k = 0; k < static_cast<std::size_t>(kSincTaps); k += 4) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            const double w = weights[k + lane];
            sums[lane] += DoublePair{w, w} * pairOf(samples[k + lane]);
        }
    }
    return sampleOf((sums[0] + sums[1]) + (sums[2] + sums[3]));
}

}  // namespace quorvel
