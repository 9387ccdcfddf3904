#include "modulation/SamplesPerSymbol.h"

#include "common/Signal.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvel {
namespace {

TEST(SamplesPerSymbol, TruncatesTowardZeroAndRejectsWhatCannotBeConverted) {
    const std::size_t largest = SampleBuffer().max_size();
    const struct {
        double samplesPerSymbol;
        std::size_t expected;
    } cases[] = {
        {10.0, 10},       {3.3333, 3},
        {2.5, 2},         {1.0, 1},
        {0.999, 0},       {0.0, 0},
        {-4.0, 0},        {std::numeric_limits<double>::quiet_NaN(), 0},
        {1e300, largest}, {std::numeric_limits<double>::infinity(), largest},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wholeSamplesPerSymbol(c.samplesPerSymbol), c.expected)
            << "sps " << c.samplesPerSymbol;
    }
}

TEST(SamplesPerSymbol, SampleCountIsTheProductOnlyWhenABufferCanHoldIt) {
    const std::size_t largest = SampleBuffer().max_size();
    EXPECT_EQ(keyedSampleCount(10000, 10), std::optional<std::size_t>(100000));
    EXPECT_EQ(keyedSampleCount(5, 0), std::optional<std::size_t>(0));
    EXPECT_EQ(keyedSampleCount(0, largest), std::optional<std::size_t>(0));
    EXPECT_EQ(keyedSampleCount(1, largest), std::optional<std::size_t>(largest));
    EXPECT_EQ(keyedSampleCount(2, largest), std::nullopt);
    // The product would wrap around in 64 bits.
    EXPECT_EQ(keyedSampleCount(std::size_t{1} << 40, std::size_t{1} << 40), std::nullopt);
}

}  // namespace
}  // namespace quorvel
