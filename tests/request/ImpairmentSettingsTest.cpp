#include "request/ImpairmentSettings.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(ImpairmentSettings, EveryTextReadsIntoTheValuesItNames) {
    ImpairmentTexts texts;
    texts.amplifier = "rapp:2,0.8";
    texts.clockOffset = "-12.5";
    texts.multipath = " 0:0:0\t3.5:-6:90  12:-10:-45 ";
    texts.fading = "rician:4";
    texts.doppler = "20";
    texts.phaseNoise = "-80@1000";
    texts.iqImbalance = "0.5,3";
    texts.dcOffset = "0.01, -0.02";
    const Impairments expected{
        .amplifier = RappCompression{2.0, 0.8},
        .clockOffsetPpm = -12.5,
        .multipath = {{0.0, 0.0, 0.0}, {3.5, -6.0, 90.0}, {12.0, -10.0, -45.0}},
        .fading = Fading{FadingModel::Rician, 4.0, 20.0},
        .phaseNoise = PhaseNoise{-80.0, 1000.0},
        .iqImbalance = {0.5, 3.0},
        .dcOffset = {0.01, -0.02}};
    const ImpairmentReading reading = readImpairments(texts, 10000.0);
    ASSERT_TRUE(reading) << reading.problem->optionMessage();
    EXPECT_EQ(*reading.impairments, expected);
    EXPECT_EQ(*readImpairments(ImpairmentTexts{}, 10000.0).impairments, Impairments{});
    // What a recording holds is held to the same rules.
    EXPECT_FALSE(impairmentsProblem(expected, 10000.0));
    EXPECT_EQ(impairmentsProblem(expected, 30.0)->setting, ImpairmentSetting::Doppler);
}

}  // namespace
}  // namespace quorvel
