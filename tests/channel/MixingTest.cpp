#include "channel/Mixing.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <utility>

#include "channel/ChannelTestSupport.h"

namespace quorvel {
namespace {

using testing_support::binOf;
using testing_support::bitIdentical;
using testing_support::dftPeakBin;
using testing_support::maxDeviation;
using testing_support::randomBuffer;

// Rotations by whole or half turns are exact only up to the rounding of 2 pi n f / fs.
constexpr double kMixingRotationTolerance = 1e-9;

SampleBuffer constant(std::size_t count, ComplexSample value) {
    return SampleBuffer(count, value);
}

TEST(Mixing, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(frequencyShift(SampleBuffer{}, 100.0, 1000.0).empty());
}

TEST(Mixing, ConstantInputBecomesAToneAtTheShiftFrequency) {
    const double samplingRateHz = 1000.0;
    const std::size_t count = 1000;
    for (const double frequencyHz : {1.0, 50.0, 123.0, 250.0, -2.0, -200.0, -499.0}) {
        const auto tone = frequencyShift(constant(count, {1.0, 0.0}), frequencyHz, samplingRateHz);
        EXPECT_EQ(dftPeakBin(tone), binOf(frequencyHz, samplingRateHz, count)) << frequencyHz;
    }
}

TEST(Mixing, PhaseIsFormedFromTheSampleIndexNotAccumulated) {
    const double samplingRateHz = 48000.0;
    const double frequencyHz = 1234.567;
    const std::size_t count = 2000000;
    const auto tone = frequencyShift(constant(count, {1.0, 0.0}), frequencyHz, samplingRateHz);
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{777777}, count - 1}) {
        const double phase = (static_cast<double>(n) / samplingRateHz) * ((Pi * 2.0) * frequencyHz);
        EXPECT_TRUE(testing_support::sameBits(tone[n], ComplexSample{1.0, 0.0} * polar(1.0, phase))) << n;
    }
}

TEST(Mixing, WholeAndHalfTurnsPerSample) {
    const double samplingRateHz = 8000.0;
    const auto input = randomBuffer(1000, 21);
    EXPECT_LT(maxDeviation(frequencyShift(input, samplingRateHz, samplingRateHz), input),
              kMixingRotationTolerance);
    SampleBuffer alternating = input;
    for (std::size_t n = 1; n < alternating.size(); n += 2) {
        alternating[n] = {-alternating[n].i, -alternating[n].q};
    }
    EXPECT_LT(
        maxDeviation(frequencyShift(input, samplingRateHz / 2.0, samplingRateHz), alternating),
        kMixingRotationTolerance);
}

TEST(Mixing, TwoShiftsAddTheirFrequencies) {
    const double samplingRateHz = 10000.0;
    const auto input = randomBuffer(4000, 8);
    const double pairs[][2] = {{1500.0, 250.0}, {1500.0, -1500.0}, {-3210.5, 77.25}};
    for (const auto& f : pairs) {
        const auto twice =
            frequencyShift(frequencyShift(input, f[0], samplingRateHz), f[1], samplingRateHz);
        EXPECT_LT(maxDeviation(twice, frequencyShift(input, f[0] + f[1], samplingRateHz)),
                  kMixingRotationTolerance)
            << f[0] << " + " << f[1];
    }
}

TEST(Mixing, InPlaceFormGivesTheSameBitsInTheSameStorage) {
    const auto input = randomBuffer(3001, 4);
    const auto copied = frequencyShift(input, 777.7, 10000.0);
    SampleBuffer storage = input;
    const auto* data = storage.data();
    const auto moved = frequencyShift(std::move(storage), 777.7, 10000.0);
    EXPECT_EQ(moved.data(), data);
    EXPECT_TRUE(bitIdentical(moved, copied));
}

}  // namespace
}  // namespace quorvel
