#include "channel/LinearInterpolation.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "channel/ChannelTestSupport.h"

namespace quorvel {
namespace {

using testing_support::sameBits;

using testing_support::kNaN;
using testing_support::kInf;

const std::vector<double> kAbscissae = {0.0, 1.0, 2.5, 4.0};
const SampleBuffer kLinearInterpolationSamples = {{1.0, -1.0}, {3.0, 1.0}, {-2.0, 0.5}, {0.0, 4.0}};

struct QueryCase {
    double t;
    ComplexSample expected;
};

TEST(LinearInterpolation, ReadsTheTableHoldingItsEnds) {
    const QueryCase cases[] = {
        {-kInf, kLinearInterpolationSamples[0]}, {-1.0, kLinearInterpolationSamples[0]}, {0.0, kLinearInterpolationSamples[0]},   {1.0, kLinearInterpolationSamples[1]},
        {2.5, kLinearInterpolationSamples[2]},   {4.0, kLinearInterpolationSamples[3]},  {7.0, kLinearInterpolationSamples[3]},   {kInf, kLinearInterpolationSamples[3]},
        {0.5, {2.0, 0.0}},    {1.75, {0.5, 0.75}}, {3.25, {-1.0, 2.25}}, {0.25, {1.5, -0.5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(interpolateLinear(kAbscissae, kLinearInterpolationSamples, c.t), c.expected) << "t = " << c.t;
    }
}

TEST(LinearInterpolation, NotANumberReadsTheFirstSample) {
    EXPECT_EQ(interpolateLinear(kAbscissae, kLinearInterpolationSamples, kNaN), kLinearInterpolationSamples[0]);
    EXPECT_EQ(interpolateLinear({2.0}, {{5.0, 6.0}}, kNaN), (ComplexSample{5.0, 6.0}));
}

TEST(LinearInterpolation, UnusableTablesGiveZero) {
    const struct {
        std::vector<double> abscissae;
        SampleBuffer samples;
    } cases[] = {
        {{}, {}},
        {{0.0, 1.0}, {}},
        {{}, {{1.0, 1.0}}},
        {{0.0, 1.0}, {{1.0, 1.0}}},
        {{0.0}, {{1.0, 1.0}, {2.0, 2.0}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(interpolateLinear(c.abscissae, c.samples, 0.5), (ComplexSample{}))
            << c.abscissae.size() << " abscissae, " << c.samples.size() << " samples";
    }
}

TEST(LinearInterpolation, SingleEntryTableIsConstant) {
    for (const double t : {-kInf, -3.0, 2.0, 9.0, kInf}) {
        EXPECT_EQ(interpolateLinear({2.0}, {{5.0, 6.0}}, t), (ComplexSample{5.0, 6.0})) << t;
    }
}

TEST(LinearInterpolation, RepeatedAbscissaIsAStepWithoutDivisionByZero) {
    const std::vector<double> abscissae = {0.0, 1.0, 1.0, 2.0};
    const SampleBuffer samples = {{0.0, 0.0}, {2.0, 2.0}, {10.0, -10.0}, {12.0, -12.0}};
    const QueryCase cases[] = {
        {0.5, {1.0, 1.0}},
        {1.0, samples[2]},  // the smallest abscissa above 1 is the last entry, frac 0 there
        {1.5, {11.0, -11.0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(interpolateLinear(abscissae, samples, c.t), c.expected) << "t = " << c.t;
    }
}

TEST(LinearInterpolation, EqualAbscissaeOfASegmentGiveItsLeftSample) {
    const ComplexSample y0{0.25, -4.0};
    const ComplexSample y1{8.0, 3.0};
    for (const double t : {0.0, 1.0, 7.0}) {
        EXPECT_EQ(interpolateSegment(1.0, 1.0, y0, y1, t), y0) << t;
    }
}

TEST(LinearInterpolation, DifferenceTimesFractionPlusLeftValueToTheBit) {
    // frac = 1/3 rounded; (3 - 1) x frac + 1 rounds down where the algebraically equal
    // 1 x (1 - frac) + 3 x frac gives 1.6666666666666667.
    const auto value = interpolateLinear({0.0, 3.0}, {{1.0, 0.0}, {3.0, 3.0}}, 1.0);
    EXPECT_TRUE(sameBits(value, {1.6666666666666665, 1.0})) << value.i << ", " << value.q;
}

}  // namespace
}  // namespace quorvel
