#include "channel/Resampling.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "channel/ChannelTestSupport.h"
#include "channel/LinearInterpolation.h"

namespace quorvel {
namespace {

using testing_support::bitIdentical;
using testing_support::randomBuffer;

using testing_support::kNaN;
using testing_support::kInf;
constexpr std::size_t kTooLong = std::numeric_limits<std::size_t>::max();
// A straight line resampled stays on the line; only the division i / L rounds.
constexpr double kLineTolerance = 1e-9;

// Resampling written out as its definition: a table of symbol indices and one binary search per
// output sample.
SampleBuffer resampleByTableSearch(const SampleBuffer& symbols, double symbolRateHz,
                                   double samplingRateHz) {
    std::vector<double> abscissae(symbols.size());
    for (std::size_t k = 0; k < symbols.size(); ++k) {
        abscissae[k] = static_cast<double>(k);
    }
    const double samplesPerSymbol = samplingRateHz / symbolRateHz;
    const auto length = static_cast<std::size_t>(
        std::round(static_cast<double>(symbols.size()) * samplesPerSymbol));
    SampleBuffer out(length);
    for (std::size_t n = 0; n < length; ++n) {
        out[n] = interpolateLinear(abscissae, symbols, static_cast<double>(n) / samplesPerSymbol);
    }
    return out;
}

SampleBuffer straightLine(std::size_t count) {
    SampleBuffer line(count);
    for (std::size_t k = 0; k < count; ++k) {
        line[k] = {static_cast<double>(k), -2.0 * static_cast<double>(k)};
    }
    return line;
}

struct LengthCase {
    std::size_t symbols;
    double symbolRateHz;
    double samplingRateHz;
    std::size_t expected;
};

const LengthCase kLengthCases[] = {
    {0, 1000, 10000, 0},  // empty input is copied
    {5, 0, 10000, 5},     // unusable rates: copy
    {5, -1000, 10000, 5},
    {5, 1000, 0, 5},
    {5, 1000, -5, 5},
    {5, 1000, 1000, 5},            // equal rates: copy
    {10000, 1000, 10000, 100000},  // the control panel's defaults
    {1, 1000, 10000, 10},
    {7, 3000, 10000, 23},  // 23.33 rounds down
    {1, 3000, 10000, 3},
    {3, 2, 5, 8},       // 7.5: halves away from zero
    {5, 1000, 100, 1},  // 0.5 rounds up to one sample
    {2, 1000, 200, 0},  // 0.4 rounds to nothing
    {10, 1000, 370, 4},
    {9, 1100, 10000, 82},
    {100, 1000, 7770, 777},
    {5, kNaN, 10000, 0},  // no length from a NaN rate
    {5, 1000, kNaN, 0},
    {5, kInf, 10000, 0},
    {5, 1000, kInf, kTooLong},
    {3, 1e-300, 1e300, kTooLong},
};

TEST(Resampling, LengthFollowsTheRoundedProductAndTheCopyRules) {
    for (const auto& c : kLengthCases) {
        EXPECT_EQ(resampledLength(c.symbols, c.symbolRateHz, c.samplingRateHz), c.expected)
            << c.symbols << " symbols, " << c.symbolRateHz << " -> " << c.samplingRateHz;
    }
    EXPECT_EQ(resampledLength(std::size_t{1} << 40, 1.0, 1073741824.0), kTooLong);  // 2^70
}

TEST(Resampling, ProducesExactlyTheAnnouncedLength) {
    for (const auto& c : kLengthCases) {
        const auto out =
            resampleToSamplingRate(randomBuffer(c.symbols, 3), c.symbolRateHz, c.samplingRateHz);
        // A length no buffer can hold yields nothing rather than an attempt to allocate it.
        const std::size_t expected = c.expected == kTooLong ? 0 : c.expected;
        EXPECT_EQ(out.size(), expected)
            << c.symbols << " symbols, " << c.symbolRateHz << " -> " << c.samplingRateHz;
    }
}

TEST(Resampling, CopyCasesReturnTheInputUnchanged) {
    const auto symbols = randomBuffer(9, 11);
    const double rates[][2] = {{0, 10000}, {-1, 10000}, {1000, 0}, {1000, -1}, {1234.5, 1234.5}};
    for (const auto& r : rates) {
        EXPECT_TRUE(bitIdentical(resampleToSamplingRate(symbols, r[0], r[1]), symbols))
            << r[0] << " -> " << r[1];
    }
    EXPECT_TRUE(resampleToSamplingRate({}, 1000, 10000).empty());
}

TEST(Resampling, SingleSymbolIsHeldForEverySample) {
    const SampleBuffer one = {{0.6, -0.8}};
    for (const double samplingRateHz : {10000.0, 3333.0, 1500.0, 5.0e5}) {
        const auto out = resampleToSamplingRate(one, 1000, samplingRateHz);
        ASSERT_EQ(out.size(), resampledLength(1, 1000, samplingRateHz));
        for (const auto& s : out) {
            EXPECT_EQ(s, one[0]) << samplingRateHz;
        }
    }
}

TEST(Resampling, StraightLineStaysOnTheLineAndHoldsItsEnd) {
    const double rates[][2] = {{1000, 10000}, {3000, 10000}, {1000, 370}, {1000, 7770}};
    const std::size_t count = 50;
    for (const auto& r : rates) {
        const double samplesPerSymbol = r[1] / r[0];
        const auto out = resampleToSamplingRate(straightLine(count), r[0], r[1]);
        for (std::size_t n = 0; n < out.size(); ++n) {
            const double position = std::fmin(static_cast<double>(n) / samplesPerSymbol,
                                              static_cast<double>(count - 1));
            EXPECT_NEAR(out[n].i, position, kLineTolerance) << "L = " << samplesPerSymbol;
            EXPECT_NEAR(out[n].q, -2.0 * position, kLineTolerance) << "L = " << samplesPerSymbol;
        }
    }
}

TEST(Resampling, TenThirdsHitsASymbolOnlyEveryTenthSample) {
    const auto symbols = randomBuffer(300, 5);
    const auto out = resampleToSamplingRate(symbols, 3000, 10000);
    ASSERT_EQ(out.size(), 1000u);
    for (std::size_t n = 0; n < out.size(); n += 10) {
        EXPECT_EQ(out[n], symbols[3 * n / 10]) << n;
    }
}

TEST(Resampling, DefaultSettingsPassThroughEverySymbolAndHoldTheLast) {
    // Position (10k + 3) / 10 carries the rounding of a number up to 10^4, about 2e-12.
    constexpr double kTolerance = 1e-11;
    const auto symbols = randomBuffer(10000, 7);
    const auto out = resampleToSamplingRate(symbols, 1000, 10000);
    ASSERT_EQ(out.size(), 100000u);
    for (std::size_t k = 0; k + 1 < symbols.size(); ++k) {
        ASSERT_EQ(out[10 * k], symbols[k]) << k;
        const auto between = symbols[k] + ComplexSample{0.3, 0.0} * (symbols[k + 1] - symbols[k]);
        ASSERT_NEAR(out[10 * k + 3].i, between.i, kTolerance) << k;
        ASSERT_NEAR(out[10 * k + 3].q, between.q, kTolerance) << k;
    }
    for (std::size_t n = 99990; n < 100000; ++n) {
        EXPECT_EQ(out[n], symbols.back()) << n;
    }
}

TEST(Resampling, EvenGridEqualsTheTableSearchToTheBit) {
    const double rates[][2] = {{3000, 10000}, {1000, 7770},           {1000, 370},
                               {1100, 10000}, {1234.567, 98765.4321}, {7, 3}};
    for (const auto& r : rates) {
        for (const std::size_t count : {1u, 2u, 3u, 17u, 1000u}) {
            const auto symbols = randomBuffer(count, static_cast<std::uint32_t>(count));
            EXPECT_TRUE(bitIdentical(resampleToSamplingRate(symbols, r[0], r[1]),
                                     resampleByTableSearch(symbols, r[0], r[1])))
                << count << " symbols, " << r[0] << " -> " << r[1];
        }
    }
}

}  // namespace
}  // namespace quorvel
