// The pyramid's extents against a scan of every sample, for ranges that start and end inside
// blocks of every level, before, while and after it is built.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "analyzer/MinMaxPyramid.h"
#include "support/MemoryReader.h"

namespace quorvel {
namespace {

constexpr std::uint64_t kSize = 1'300'007;  // prime: every level ends in a partial block

std::vector<IqSample> noise() {
    std::mt19937 engine(11);
    std::normal_distribution<float> normal;
    std::vector<IqSample> s(kSize);
    for (IqSample& x : s) {
        x = {normal(engine), normal(engine)};
    }
    s[12345] = {std::numeric_limits<float>::quiet_NaN(), 100.0f};  // left out whole
    s[777777] = {9.0f, -9.0f};
    return s;
}

IqExtent scan(const std::vector<IqSample>& s, std::uint64_t begin, std::uint64_t end) {
    IqExtent e;
    for (std::uint64_t k = begin; k < end; ++k) {
        if (std::isfinite(s[k].real()) && std::isfinite(s[k].imag())) {
            e.minI = e.empty ? s[k].real() : std::min(e.minI, s[k].real());
            e.maxI = e.empty ? s[k].real() : std::max(e.maxI, s[k].real());
            e.minQ = e.empty ? s[k].imag() : std::min(e.minQ, s[k].imag());
            e.maxQ = e.empty ? s[k].imag() : std::max(e.maxQ, s[k].imag());
            e.empty = false;
        }
    }
    return e;
}

void expectSame(const IqExtent& got, const IqExtent& want) {
    EXPECT_EQ(got.empty, want.empty);
    EXPECT_EQ(got.minI, want.minI);
    EXPECT_EQ(got.maxI, want.maxI);
    EXPECT_EQ(got.minQ, want.minQ);
    EXPECT_EQ(got.maxQ, want.maxQ);
}

TEST(MinMaxPyramid, BuiltExtentsEqualAScanOfEverySample) {
    const std::vector<IqSample> samples = noise();
    const testing_support::MemoryReader reader(samples);
    MinMaxPyramid pyramid(reader);
    // Short ranges are read exactly before anything is built; long ones are only sampled.
    bool exact = false;
    expectSame(pyramid.extent(12000, 13000, &exact), scan(samples, 12000, 13000));
    EXPECT_TRUE(exact);
    pyramid.extent(0, kSize, &exact);
    EXPECT_FALSE(exact);

    pyramid.build();
    ASSERT_TRUE(pyramid.complete());
    const std::pair<std::uint64_t, std::uint64_t> ranges[] = {
        {0, kSize},         {0, 1},           {1023, 1025},
        {1024, 2048},       {1, 16385},       {16383, 16384 * 5 + 1},
        {12345, 12346},     {777000, 778000}, {262143, 1048577},
        {kSize - 7, kSize}, {1048576, kSize}, {5, 5},
    };
    for (const auto& [begin, end] : ranges) {
        SCOPED_TRACE(std::to_string(begin) + " " + std::to_string(end));
        expectSame(pyramid.extent(begin, end, &exact), scan(samples, begin, end));
        EXPECT_TRUE(exact);
    }
}

TEST(MinMaxPyramid, BeforeItsBuildALongRangeIsSampledInsideTheTrueExtent) {
    const std::vector<IqSample> samples = noise();
    const testing_support::MemoryReader reader(samples);
    const MinMaxPyramid pyramid(reader);
    bool exact = true;
    const IqExtent got = pyramid.extent(100, 900'000, &exact);
    const IqExtent all = scan(samples, 100, 900'000);
    EXPECT_FALSE(exact);
    ASSERT_FALSE(got.empty);
    EXPECT_GE(got.minI, all.minI);
    EXPECT_LE(got.maxI, all.maxI);
    EXPECT_GE(got.minQ, all.minQ);
    EXPECT_LE(got.maxQ, all.maxQ);
    // Runs spread over the range: unit normal samples reach past +-2 somewhere.
    EXPECT_GT(got.maxI, 2.0f);
    EXPECT_LT(got.minI, -2.0f);
}

}  // namespace
}  // namespace quorvel
