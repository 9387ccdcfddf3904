#pragma once
// Helpers shared by the channel-stage tests: reproducible buffers, bit-level comparison and a
// direct DFT to locate a tone.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>

#include "channel/PolarNormal.h"
#include "common/MersenneTwister.h"
#include "common/Signal.h"

namespace quorvel::testing_support {

// Samples with components in [-1, 1) from raw engine outputs (no library distribution, so the
// values are the same with every standard library).
// Normal values of standard deviation sigma in the order the noise stage uses them: each
// accepted point gives u1 g sigma, then u2 g sigma.
class PairedNormal {
  public:
    explicit PairedNormal(double sigma) : sigma_(sigma) {}
    double operator()(MersenneTwister& engine) {
        if (hasSaved_) {
            hasSaved_ = false;
            return saved_ * sigma_;
        }
        const PolarPoint point = drawPolarPoint(engine);
        const auto pair = polarPair(point.u1, point.u2);
        saved_ = pair[1];
        hasSaved_ = true;
        return pair[0] * sigma_;
    }

  private:
    double sigma_;
    double saved_ = 0.0;
    bool hasSaved_ = false;
};

inline SampleBuffer randomBuffer(std::size_t count, std::uint32_t seed) {
    std::mt19937 engine(seed);
    const auto next = [&engine] { return static_cast<double>(engine()) / 2147483648.0 - 1.0; };
    SampleBuffer out(count);
    for (auto& s : out) {
        s.i = next();
        s.q = next();
    }
    return out;
}

inline bool sameBits(const ComplexSample& a, const ComplexSample& b) {
    return std::bit_cast<std::uint64_t>(a.i) == std::bit_cast<std::uint64_t>(b.i) &&
           std::bit_cast<std::uint64_t>(a.q) == std::bit_cast<std::uint64_t>(b.q);
}

// Equal sizes and every component equal to the last bit (signed zeros and NaN payloads too).
inline ::testing::AssertionResult bitIdentical(const SampleBuffer& actual,
                                               const SampleBuffer& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.size() << " instead of " << expected.size();
    }
    for (std::size_t n = 0; n < actual.size(); ++n) {
        if (!sameBits(actual[n], expected[n])) {
            return ::testing::AssertionFailure()
                   << "sample " << n << " is (" << actual[n].i << ", " << actual[n].q
                   << ") instead of (" << expected[n].i << ", " << expected[n].q << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// Largest absolute component difference between two buffers of equal size.
inline double maxDeviation(const SampleBuffer& a, const SampleBuffer& b) {
    double worst = 0.0;
    for (std::size_t n = 0; n < a.size() && n < b.size(); ++n) {
        worst = std::fmax(worst, std::fmax(std::fabs(a[n].i - b[n].i), std::fabs(a[n].q - b[n].q)));
    }
    return worst;
}

// Index k of the strongest bin of X[k] = sum x[n] e^(-j 2 pi k n / N), computed directly.
inline std::size_t dftPeakBin(const SampleBuffer& x) {
    const std::size_t count = x.size();
    SampleBuffer twiddles(count);
    for (std::size_t m = 0; m < count; ++m) {
        twiddles[m] = polar(1.0, -2.0 * Pi * static_cast<double>(m) / static_cast<double>(count));
    }
    std::size_t best = 0;
    double bestPower = -1.0;
    for (std::size_t k = 0; k < count; ++k) {
        ComplexSample sum{};
        for (std::size_t n = 0; n < count; ++n) {
            sum = sum + x[n] * twiddles[(k * n) % count];
        }
        const double power = sum.i * sum.i + sum.q * sum.q;
        if (power > bestPower) {
            bestPower = power;
            best = k;
        }
    }
    return best;
}

// The DFT bin at which a tone of frequencyHz appears for count samples at samplingRateHz.
inline std::size_t binOf(double frequencyHz, double samplingRateHz, std::size_t count) {
    const double bins = frequencyHz / samplingRateHz * static_cast<double>(count);
    const auto n = static_cast<long long>(count);
    return static_cast<std::size_t>(((std::llround(bins) % n) + n) % n);
}

}  // namespace quorvel::testing_support
