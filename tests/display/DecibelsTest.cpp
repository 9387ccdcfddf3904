#include "display/Decibels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace quorvel {
namespace {

// Error of powerToDecibels against a long-double reference, in units of the result's last place.
double ulpError(double power) {
    const double got = powerToDecibels(power);
    const long double exact = 10.0L * std::log10(static_cast<long double>(power));
    const double ulp =
        std::nextafter(std::fabs(got), std::numeric_limits<double>::infinity()) - std::fabs(got);
    return static_cast<double>(std::fabs(static_cast<long double>(got) - exact)) / ulp;
}

constexpr double kMaxErrorUlp = 2.0;

TEST(Decibels, StaysWithinTwoUlpAtTheEdgesOfTheRange) {
    const double sqrtHalf = std::sqrt(0.5);
    const double cases[] = {
        std::numeric_limits<double>::min(),
        1e-300,
        1e-12,
        std::nextafter(sqrtHalf, 0.0),
        sqrtHalf,
        std::nextafter(sqrtHalf, 1.0),
        0.5,
        0.999999999999,
        2.0,
        std::sqrt(2.0),
        10.0,
        12345.678,
        1e10,
        1e300,
        std::numeric_limits<double>::max(),
    };
    for (const double power : cases) {
        EXPECT_LE(ulpError(power), kMaxErrorUlp) << power;
    }
}

TEST(Decibels, StaysWithinTwoUlpOverTheSpectrumsRange) {
    // Powers from the -120 dB floor up to the largest double, log-uniformly.
    std::mt19937_64 engine(20240611);
    std::uniform_real_distribution<double> exponent(-12.0, 308.0);
    for (int k = 0; k < 100000; ++k) {
        const double power = std::pow(10.0, exponent(engine));
        ASSERT_LE(ulpError(power), kMaxErrorUlp) << power;
    }
}

TEST(Decibels, IsExactAtTheFloorAndAtUnity) {
    EXPECT_EQ(powerToDecibels(1e-12), -120.0);
    EXPECT_EQ(powerToDecibels(1.0), 0.0);
}

TEST(Decibels, KeepsTheRelativeAccuracyOfTinyLevelsNearUnity) {
    // 10 log10(1 + 1e-12) is 4.34e-12 dB: an absolute error of 1e-16 would already be 2e-5 of it.
    const double power = 1.0 + 1e-12;
    const long double exact = 10.0L * std::log10(static_cast<long double>(power));
    EXPECT_NEAR(powerToDecibels(power), static_cast<double>(exact), 1e-27);
}

TEST(Decibels, NonFinitePowersGiveNotANumber) {
    const double cases[] = {
        std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(),
    };
    for (const double power : cases) {
        EXPECT_TRUE(std::isnan(powerToDecibels(power))) << power;
    }
}

}  // namespace
}  // namespace quorvel
