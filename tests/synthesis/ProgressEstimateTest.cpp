// Time left from the recent rate: a run that speeds up or slows down is judged by its last
// seconds, and the last seconds count down in tenths.

#include <gtest/gtest.h>

#include "synthesis/ProgressEstimate.h"

namespace quorvel {
namespace {

TEST(ProgressEstimate, FollowsTheRecentRateNotTheWholeRunsAverage) {
    ProgressEstimate estimate;
    EXPECT_FALSE(estimate.secondsLeft());
    // 10 s at 10 units/s, then 100 units/s: 900 units left of 2000 after 12 s.
    for (int t = 0; t <= 10; ++t) {
        estimate.report(t, static_cast<std::uint64_t>(10 * t), 2000);
    }
    EXPECT_NEAR(*estimate.secondsLeft(), 1900.0 / 10.0, 1e-9);
    for (int t = 11; t <= 14; ++t) {
        estimate.report(t, static_cast<std::uint64_t>(100 + 100 * (t - 10)), 2000);
    }
    // The window holds 11 ... 14 and the report at 10 before it: 400 units in 4 s.
    EXPECT_NEAR(*estimate.secondsLeft(), 1500.0 / 100.0, 1e-9);
    estimate.report(15, 600, 2000);
    estimate.report(15, 600, 2000);
    EXPECT_NEAR(*estimate.secondsLeft(), 1400.0 / 100.0, 1e-9);
}

TEST(DurationText, TenthsBelowTenSecondsThenMinutesAndHours) {
    const std::pair<double, const char*> cases[] = {
        {0.04, "0.0 s"},       {0.96, "1.0 s"},         {8.24, "8.2 s"},
        {9.96, "10 s"},        {37.4, "37 s"},          {59.6, "1 min 00 s"},
        {125.0, "2 min 05 s"}, {3599.4, "59 min 59 s"}, {3780.0, "1 h 03 min"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(durationText(seconds), text) << seconds;
    }
    EXPECT_EQ(durationText(-1.0), "?");
}

}  // namespace
}  // namespace quorvel
