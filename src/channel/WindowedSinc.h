#pragma once
// Band-limited interpolation between samples, shared by the clock offset and the fractional
// multipath delays: sinc(x) under a Kaiser window reaching kSincHalfWidth samples either side.

#include <algorithm>
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

// sum w[k] x samples[k] over the kSincTaps samples around a point `frac` (0 <= frac < 1) past
// sample i, samples[0] being sample i - kSincHalfWidth + 1. The weights w[k] are read from a table
// of phases, linearly interpolated between neighbouring phases: within about 1e-6 of windowedSinc,
// and exact at frac = 0.
class SincTable {
  public:
    SincTable();

    // Each weight is made four at a time just before its samples use it, rather than all of them
    // stored first: built for AVX-512, the loop over all 32 made them in 512-bit vectors, and the
    // cross-lane shuffles that then paired them with the samples made the whole 12 % slower than
    // its AVX2 build. The sum runs in four interleaved partial sums added in a fixed order (one
    // running sum would make every addition wait for the one before): partial sums 0 and 1 share
    // one vector, 2 and 3 another, two samples to a vector. Inline, so that it is built for
    // whichever processor its caller is built for.
    ComplexSample sumAt(double frac, const ComplexSample* samples) const {
        const double position = frac * kPhases;
        // A fraction just below 0 rounds up to 1.0 when 1 is added to it: the last phase then.
        const int p = std::min(static_cast<int>(position), kPhases - 1);
        const double mu = position - p;
        const DoubleQuad mus{mu, mu, mu, mu};
        const double* low = table_.data() + static_cast<std::ptrdiff_t>(p * kSincTaps);
        const double* high = low + kSincTaps;
        DoubleQuad lowSums{};
        DoubleQuad highSums{};
        for (std::size_t k = 0; k < static_cast<std::size_t>(kSincTaps); k += 4) {
            DoubleQuad below;
            DoubleQuad above;
            std::memcpy(&below, low + k, sizeof below);
            std::memcpy(&above, high + k, sizeof above);
            const DoubleQuad w = below + (above - below) * mus;
            DoubleQuad x01;
            DoubleQuad x23;
            std::memcpy(&x01, samples + k, sizeof x01);
            std::memcpy(&x23, samples + k + 2, sizeof x23);
            lowSums += DoubleQuad{w[0], w[0], w[1], w[1]} * x01;
            highSums += DoubleQuad{w[2], w[2], w[3], w[3]} * x23;
        }
        return {(lowSums[0] + lowSums[2]) + (highSums[0] + highSums[2]),
                (lowSums[1] + lowSums[3]) + (highSums[1] + highSums[3])};
    }

  private:
    static constexpr int kPhases = 512;
    std::vector<double> table_;  // (kPhases + 1) rows of kSincTaps
};

// The one table, built on first use.
const SincTable& sincTable();

}  // namespace quorvel
