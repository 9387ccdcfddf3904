#include "dsp/FourierTransform.h"

#include "dsp/DirectDft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <stdexcept>

namespace quorvel {
namespace {

using testing_support::directDft;
using testing_support::randomSignal;

// Bins of a signal with parts in [-1, 1) grow up to N in magnitude; FFTW's rounding stays far
// below this share of N.
constexpr double kBinTolerancePerSample = 1e-12;

void expectBinsMatch(std::span<const double> bins, const SampleBuffer& reference) {
    ASSERT_EQ(bins.size(), 2 * reference.size());
    const double tolerance = kBinTolerancePerSample * static_cast<double>(reference.size());
    for (std::size_t k = 0; k < reference.size(); ++k) {
        EXPECT_NEAR(bins[2 * k], reference[k].i, tolerance) << "bin " << k;
        EXPECT_NEAR(bins[2 * k + 1], reference[k].q, tolerance) << "bin " << k;
    }
}

class FourierTransformLength : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FourierTransformLength, MatchesTheDirectDft) {
    const std::size_t n = GetParam();
    const SampleBuffer x = randomSignal(n, static_cast<unsigned>(n));
    FourierTransform transform(n);
    EXPECT_EQ(transform.length(), n);
    expectBinsMatch(transform.forward(x), directDft(x));
}

TEST_P(FourierTransformLength, ReusesItsPlanForANewSignal) {
    const std::size_t n = GetParam();
    FourierTransform transform(n);
    transform.forward(randomSignal(n, 1));
    const SampleBuffer second = randomSignal(n, 2);
    expectBinsMatch(transform.forward(second), directDft(second));
}

// Primes, odd composites, non-powers of two and powers of two.
INSTANTIATE_TEST_SUITE_P(PrimeAndCompositeLengths, FourierTransformLength,
                         ::testing::Values(1, 2, 3, 5, 7, 12, 97, 100, 128, 243));

TEST(FourierTransform, LeavesItsInputUntouched) {
    const SampleBuffer x = randomSignal(12, 7);
    const SampleBuffer copy = x;
    FourierTransform transform(x.size());
    transform.forward(x);
    EXPECT_EQ(x, copy);
}

TEST(FourierTransform, SamplesOffTheSimdAlignmentAreTransformedToo) {
    // Samples that start 8 bytes past a 16-byte boundary cannot be handed to the plan directly.
    constexpr std::size_t kLength = 1024;
    const SampleBuffer x = randomSignal(kLength, 11);
    alignas(64) unsigned char storage[(kLength + 1) * sizeof(ComplexSample)];
    auto* shifted = new (storage + sizeof(double)) ComplexSample[kLength];
    std::copy(x.begin(), x.end(), shifted);
    FourierTransform transform(kLength);
    expectBinsMatch(transform.forward({shifted, kLength}), directDft(x));
}

TEST(FourierTransform, LengthZeroGivesNoBins) {
    FourierTransform transform(0);
    EXPECT_TRUE(transform.forward(SampleBuffer{}).empty());
}

TEST(FourierTransform, RefusesASignalOfAnotherLength) {
    FourierTransform transform(8);
    EXPECT_THROW(transform.forward(randomSignal(7, 1)), std::invalid_argument);
    EXPECT_THROW(transform.forward(randomSignal(9, 1)), std::invalid_argument);
}

}  // namespace
}  // namespace quorvel
