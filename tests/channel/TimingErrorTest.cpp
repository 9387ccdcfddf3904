#include "channel/TimingError.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <algorithm>
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
// A straight line re-read stays on the line up to the rounding of the instants (in samples).
constexpr double kLineToleranceSamples = 1e-6;

// The stage written out as its definition: tables of nominal and read instants and one binary
// search per sample.
SampleBuffer timingByTableSearch(const SampleBuffer& input, double timingError, double symbolRateHz,
                                 double samplingRateHz) {
    const std::size_t count = input.size();
    const double n = static_cast<double>(count);
    const double drift = (1.0 / symbolRateHz) * timingError;
    std::vector<double> nominal(count);
    std::vector<double> read(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        nominal[i] = x / samplingRateHz;
        read[i] = (x / n) * drift + nominal[i];
    }
    SampleBuffer out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = interpolateLinear(nominal, input, read[i]);
    }
    return out;
}

SampleBuffer line(std::size_t count) {
    SampleBuffer out(count);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = {static_cast<double>(i), 0.0};
    }
    return out;
}

TEST(TimingError, ZeroErrorOrEmptyInputIsAnExactCopy) {
    const auto input = randomBuffer(257, 2);
    EXPECT_TRUE(bitIdentical(applyTimingError(input, 0.0, 1000, 10000), input));
    EXPECT_TRUE(bitIdentical(applyTimingError(input, -0.0, 1234.5, 7777), input));
    EXPECT_TRUE(applyTimingError({}, 0.5, 1000, 10000).empty());
}

TEST(TimingError, SingleSampleIsUnchanged) {
    const SampleBuffer one = {{0.3, -0.4}};
    for (const double tau : {-1.0, -0.2, 0.5, 1.0}) {
        EXPECT_TRUE(bitIdentical(applyTimingError(one, tau, 1000, 10000), one)) << tau;
    }
}

struct LineCase {
    double timingError;
    double symbolRateHz;
    double samplingRateHz;
    std::size_t count;
};

TEST(TimingError, StraightLineIsReadAtLinearlyDriftingInstants) {
    const LineCase cases[] = {
        {0.5, 1000, 10000, 1000}, {-0.5, 1000, 10000, 1000}, {1.0, 1000, 10000, 100},
        {-1.0, 1000, 10000, 100}, {0.25, 3000, 10000, 64},   {-0.37, 1000, 7770, 333},
        {1.0, 1000, 370, 10},
    };
    for (const auto& c : cases) {
        const double last = static_cast<double>(c.count - 1);
        const double samplesPerSymbol = c.samplingRateHz / c.symbolRateHz;
        const auto out =
            applyTimingError(line(c.count), c.timingError, c.symbolRateHz, c.samplingRateHz);
        ASSERT_EQ(out.size(), c.count);
        for (std::size_t i = 0; i < c.count; ++i) {
            const double x = static_cast<double>(i);
            const double expected = std::clamp(
                x + x * c.timingError * samplesPerSymbol / static_cast<double>(c.count), 0.0, last);
            EXPECT_NEAR(out[i].i, expected, kLineToleranceSamples)
                << "tau " << c.timingError << ", sample " << i;
        }
    }
}

// Number of samples that equal the given one exactly.
std::size_t countEqualTo(const SampleBuffer& out, const ComplexSample& value) {
    return static_cast<std::size_t>(std::count(out.begin(), out.end(), value));
}

TEST(TimingError, FullSymbolErrorAtDefaultRates) {
    const auto input = randomBuffer(100000, 9);
    const auto ahead = applyTimingError(input, 1.0, 1000, 10000);
    ASSERT_EQ(ahead.size(), input.size());
    EXPECT_EQ(ahead.front(), input.front());
    // Read about one symbol (10 samples) ahead at the end: the tail repeats the last sample.
    const std::size_t held = countEqualTo(ahead, input.back());
    EXPECT_GE(held, 9u);
    EXPECT_LE(held, 11u);
    EXPECT_EQ(ahead[ahead.size() - held], input.back());

    const auto behind = applyTimingError(input, -1.0, 1000, 10000);
    EXPECT_EQ(behind.front(), input.front());
    // Lagging never reaches before time 0: only sample 0 is the first input sample.
    EXPECT_EQ(countEqualTo(behind, input.front()), 1u);
}

TEST(TimingError, HalfSymbolErrorReadsHalfwayBetweenTwoSamplesAtTheMiddle) {
    constexpr double kTolerance = 1e-12;
    const auto input = randomBuffer(100000, 12);
    const auto out = applyTimingError(input, 0.5, 1000, 10000);
    const auto mean = ComplexSample{0.5, 0.0} * (input[50002] + input[50003]);
    EXPECT_NEAR(out[50000].i, mean.i, kTolerance);
    EXPECT_NEAR(out[50000].q, mean.q, kTolerance);
}

TEST(TimingError, NearlyEvenGridEqualsTheTableSearchToTheBit) {
    const double rates[][2] = {{3000, 10000}, {1000, 7770},           {1000, 370},
                               {1100, 10000}, {1234.567, 98765.4321}, {0.3, 0.7}};
    for (const auto& r : rates) {
        for (const double tau : {-1.0, -0.37, 0.5, 1.0}) {
            for (const std::size_t count : {1u, 2u, 3u, 10u, 997u, 20000u}) {
                const auto input = randomBuffer(count, static_cast<std::uint32_t>(count) + 1);
                EXPECT_TRUE(bitIdentical(applyTimingError(input, tau, r[0], r[1]),
                                         timingByTableSearch(input, tau, r[0], r[1])))
                    << count << " samples, tau " << tau << ", " << r[0] << " -> " << r[1];
            }
        }
    }
}

TEST(TimingError, InstantSearchAgreesWithABinarySearchOnAndAroundEveryInstant) {
    const std::size_t count = 2000;
    for (const double samplingRateHz : {10000.0, 7770.0, 370.0, 3.0, 0.7, 98765.4321, 1e-3}) {
        std::vector<double> instants(count);
        for (std::size_t i = 0; i < count; ++i) {
            instants[i] = static_cast<double>(i) / samplingRateHz;
        }
        for (std::size_t j = 0; j + 1 < count; ++j) {
            const double midpoint = instants[j] + (instants[j + 1] - instants[j]) / 2.0;
            for (const double t : {std::nextafter(instants[j], -kInf), instants[j],
                                   std::nextafter(instants[j], kInf), midpoint}) {
                if (!(t > instants.front() && t < instants.back())) {
                    continue;
                }
                const auto expected = static_cast<std::size_t>(
                    std::upper_bound(instants.begin(), instants.end(), t) - instants.begin());
                ASSERT_EQ(firstInstantAfter(t, samplingRateHz, count), expected)
                    << "t = " << t << " at " << samplingRateHz << " Hz";
            }
        }
    }
}

TEST(TimingError, UnusableNumbersStayInsideTheTable) {
    // Not-a-number or infinite instants cannot be placed on the grid; the result is whatever the
    // table search gives, without reading outside the input.
    const double cases[][3] = {
        {kNaN, 1000, 10000}, {0.5, kNaN, 10000},  {0.5, 1000, kNaN},
        {0.5, 1000, kInf},   {0.5, 0.0, 10000},   {-0.5, 0.0, 10000},
        {0.5, kInf, 10000},  {0.5, 1000, -10000}, {1e300, 1e-300, 10000},
    };
    const auto input = randomBuffer(50, 31);
    for (const auto& c : cases) {
        EXPECT_TRUE(bitIdentical(applyTimingError(input, c[0], c[1], c[2]),
                                 timingByTableSearch(input, c[0], c[1], c[2])))
            << c[0] << ", " << c[1] << " -> " << c[2];
    }
    const auto notANumber = applyTimingError(input, kNaN, 1000, 10000);
    EXPECT_EQ(countEqualTo(notANumber, input.front()), input.size());
}

}  // namespace
}  // namespace quorvel
