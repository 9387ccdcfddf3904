#include "channel/FrequencyOffset.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <utility>

#include "channel/ChannelTestSupport.h"
#include "channel/Mixing.h"

namespace quorvel {
namespace {

using testing_support::binOf;
using testing_support::bitIdentical;
using testing_support::dftPeakBin;
using testing_support::maxDeviation;
using testing_support::randomBuffer;

constexpr double kFrequencyOffsetRotationTolerance = 1e-9;

TEST(FrequencyOffset, ZeroOffsetOrEmptyInputIsAnExactCopy) {
    const auto input = randomBuffer(100, 6);
    EXPECT_TRUE(bitIdentical(applyFrequencyOffset(input, 0.0, 10000), input));
    EXPECT_TRUE(bitIdentical(applyFrequencyOffset(input, -0.0, 10000), input));
    EXPECT_TRUE(applyFrequencyOffset(SampleBuffer{}, 50.0, 10000).empty());
}

TEST(FrequencyOffset, IsTheSameTranslationAsMixing) {
    const auto input = randomBuffer(1000, 13);
    for (const double offsetHz : {1.0, -37.5, 2500.0}) {
        EXPECT_TRUE(bitIdentical(applyFrequencyOffset(input, offsetHz, 10000),
                                 frequencyShift(input, offsetHz, 10000)))
            << offsetHz;
    }
}

TEST(FrequencyOffset, SignOfTheOffsetMovesTheSpectrumPeak) {
    const double samplingRateHz = 1000.0;
    const std::size_t count = 1000;
    // A tone at +100 Hz, then the offset under test.
    const auto tone = frequencyShift(SampleBuffer(count, {1.0, 0.0}), 100.0, samplingRateHz);
    const double offsets[][2] = {{150.0, 250.0}, {-150.0, -50.0}, {-100.0, 0.0}, {300.0, 400.0}};
    for (const auto& o : offsets) {
        EXPECT_EQ(dftPeakBin(applyFrequencyOffset(tone, o[0], samplingRateHz)),
                  binOf(o[1], samplingRateHz, count))
            << o[0];
    }
}

TEST(FrequencyOffset, OppositeOfTheMixingFrequencyUndoesTheMixing) {
    const auto input = randomBuffer(5000, 17);
    const auto mixed = frequencyShift(input, 1234.0, 10000);
    EXPECT_LT(maxDeviation(applyFrequencyOffset(mixed, -1234.0, 10000), input), kFrequencyOffsetRotationTolerance);
}

TEST(FrequencyOffset, InPlaceFormGivesTheSameBitsInTheSameStorage) {
    const auto input = randomBuffer(999, 14);
    for (const double offsetHz : {0.0, 321.0}) {
        const auto copied = applyFrequencyOffset(input, offsetHz, 10000);
        SampleBuffer storage = input;
        const auto* data = storage.data();
        const auto moved = applyFrequencyOffset(std::move(storage), offsetHz, 10000);
        EXPECT_EQ(moved.data(), data) << offsetHz;
        EXPECT_TRUE(bitIdentical(moved, copied)) << offsetHz;
    }
}

}  // namespace
}  // namespace quorvel
