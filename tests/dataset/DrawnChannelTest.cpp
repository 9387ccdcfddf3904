// Drawn channels and normalised levels in recipes, against formulas of their own: a TDL profile's
// RMS delay spread is the one drawn (TR 38.901 normalises its delays so), an exponential profile
// decays by exp(-1 / spread) a sample, fading a fraction of the symbol rate fast correlates as
// J0(2 pi fd tau), and a normalised capture's power says nothing of its constellation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "channel/FadingGenerator.h"
#include "dataset/CaptureMaking.h"
#include "dataset/CapturePlan.h"
#include "dataset/CaptureRecord.h"
#include "dataset/DatasetRecipe.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

constexpr double kSamplingRate = 1e6;

DatasetRecipe drawnChannelRecipeOf(const std::string& top, const std::string& classes) {
    const RecipeReading reading = readDatasetRecipe(R"({"seed": 11, "samples_per_capture": 1024,
        "snr": {"values": [10]}, "sampling_rate": 1000000, "samples_per_symbol": 8, )" + top +
                                                     R"(, "classes": [)" + classes + "]}");
    EXPECT_TRUE(reading) << reading.problem;
    return reading ? *reading.recipe : DatasetRecipe{};
}

double linear(double db) {
    return std::pow(10.0, db / 10.0);
}

struct TdlCase {
    const char* profile;
    double kFactorDb;  // of the line-of-sight path; NaN without one
};

class TdlProfile : public ::testing::TestWithParam<TdlCase> {};

TEST_P(TdlProfile, DrawnTapsHaveTheDrawnRmsSpreadAndUnitPower) {
    const DatasetRecipe recipe = drawnChannelRecipeOf(
        R"("captures_per_class_and_snr": 40, "fading": "rayleigh", "doppler": 50,
           "multipath": {"profile": ")" + std::string(GetParam().profile) + R"(", "delay_spread": {"min": 1e-6, "max": 4e-6}})",
        R"({"label": "QPSK", "modulation": "psk", "order": 4})");
    std::set<double> spreads;
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const CapturePlan plan = planCapture(recipe, i);
        ASSERT_GE(plan.delaySpread, 1e-6);
        ASSERT_LT(plan.delaySpread, 4e-6);
        spreads.insert(plan.delaySpread);
        double power = 0.0, first = 0.0, second = 0.0;
        for (const MultipathTap& tap : plan.parameters.impairments.multipath) {
            const double p = linear(tap.gainDb);
            const double seconds = tap.delaySamples / kSamplingRate;
            power += p;
            first += p * seconds;
            second += p * seconds * seconds;
            EXPECT_GE(tap.phaseDegrees, -180.0);
            EXPECT_LT(tap.phaseDegrees, 180.0);
        }
        EXPECT_NEAR(power, 1.0, 1e-12);
        // TDL-D's table rounds its delays to three places: 0.6 % off.
        EXPECT_NEAR(std::sqrt(second - first * first) / plan.delaySpread, 1.0, 0.007) << i;
        const auto& taps = plan.parameters.impairments.multipath;
        if (std::isnan(GetParam().kFactorDb)) {
            EXPECT_TRUE(taps[0].fades);
        } else {
            EXPECT_FALSE(taps[0].fades);
            EXPECT_EQ(taps[1].delaySamples, 0.0);
            EXPECT_NEAR(taps[0].gainDb - taps[1].gainDb, GetParam().kFactorDb, 1e-9);
        }
    }
    EXPECT_EQ(spreads.size(), recipe.captureCount());
}

INSTANTIATE_TEST_SUITE_P(Tr38901, TdlProfile,
                         ::testing::Values(TdlCase{"tdl-a", NAN}, TdlCase{"tdl-b", NAN}, TdlCase{"tdl-c", NAN},
                                           TdlCase{"tdl-d", 13.3}, TdlCase{"tdl-e", 22.0}));

TEST(ExponentialProfile, PowerDecaysByTheDrawnSpreadEverySample) {
    const DatasetRecipe recipe = drawnChannelRecipeOf(
        R"("captures_per_class_and_snr": 10,
           "multipath": {"profile": "exponential", "delay_spread": {"min": 2e-6, "max": 5e-6}, "taps": 6})",
        R"({"label": "BPSK", "modulation": "psk", "order": 2})");
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const CapturePlan plan = planCapture(recipe, i);
        const auto& taps = plan.parameters.impairments.multipath;
        ASSERT_EQ(taps.size(), 6u);
        const double decayDb = 10.0 * std::log10(std::exp(-1.0 / (plan.delaySpread * kSamplingRate)));
        for (std::size_t k = 1; k < taps.size(); ++k) {
            EXPECT_EQ(taps[k].delaySamples, static_cast<double>(k));
            EXPECT_NEAR(taps[k].gainDb - taps[k - 1].gainDb, decayDb, 1e-9) << i << " " << k;
        }
    }
}

// Over many fading paths, c[n + tau] c*[n] averages to J0(2 pi fd tau / fs), fd being the drawn
// fraction of the symbol rate.
TEST(FastFading, DopplerAsAFractionOfTheSymbolRateGivesTheJakesCorrelation) {
    const DatasetRecipe recipe = drawnChannelRecipeOf(R"("captures_per_class_and_snr": 3, "fading": "rayleigh",
                                             "doppler_symbol_fraction": {"min": 0.02, "max": 0.1})",
                                          R"({"label": "QPSK", "modulation": "psk", "order": 4})");
    const std::vector<std::string> names = recordedFieldNames(recipe);
    const auto fraction = std::find(names.begin(), names.end(), "doppler_symbol_fraction") - names.begin();
    ASSERT_LT(static_cast<std::size_t>(fraction), names.size());
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const CapturePlan plan = planCapture(recipe, i);
        const Fading& fading = *plan.parameters.impairments.fading;
        std::vector<double> fields;
        recordedFields(recipe, plan, CaptureSamples{}, fields);
        EXPECT_DOUBLE_EQ(fading.dopplerHz, fields[static_cast<std::size_t>(fraction)] * plan.parameters.symbolRate);
        constexpr int kPaths = 300;
        constexpr std::size_t kLength = 512;
        const int lags[] = {1, 3, 8, 20};
        double sums[std::size(lags)] = {};
        MersenneTwister engine(static_cast<std::uint32_t>(i + 1));
        SampleBuffer gains(kLength);
        for (int path = 0; path < kPaths; ++path) {
            FadingGenerator generator(fading, kSamplingRate, engine);
            generator.next(gains);
            for (std::size_t l = 0; l < std::size(lags); ++l) {
                const auto lag = static_cast<std::size_t>(lags[l]);
                for (std::size_t n = 0; n + lag < kLength; ++n) {
                    sums[l] += (gains[n + lag].i * gains[n].i + gains[n + lag].q * gains[n].q) / static_cast<double>(kLength - lag);
                }
            }
        }
        for (std::size_t l = 0; l < std::size(lags); ++l) {
            const double expected = std::cyl_bessel_j(0.0, 2.0 * Pi * fading.dopplerHz * lags[l] / kSamplingRate);
            EXPECT_NEAR(sums[l] / kPaths, expected, 0.05) << "capture " << i << " lag " << lags[l];
        }
    }
}

TEST(Normalization, UnitPowerCapturesHaveMeanPowerOneAndTheScaleUndoesIt) {
    const std::string classes = R"({"label": "16QAM", "modulation": "qam", "order": 16, "pulse": "rrc"},
                                    {"label": "BPSK", "modulation": "psk", "order": 2})";
    const DatasetRecipe plain = drawnChannelRecipeOf(R"("captures_per_class_and_snr": 4)", classes);
    const DatasetRecipe unit = drawnChannelRecipeOf(R"("captures_per_class_and_snr": 4, "normalize": "unit_power")", classes);
    ASSERT_EQ(recordedFieldNames(unit).back(), "normalize_scale");
    CaptureSamples raw, scaled;
    std::vector<double> fields;
    for (std::uint64_t i = 0; i < unit.captureCount(); ++i) {
        makeCapture(planCapture(plain, i), plain.samplesPerCapture, raw, plain.normalization);
        const CapturePlan plan = planCapture(unit, i);
        makeCapture(plan, unit.samplesPerCapture, scaled, unit.normalization);
        recordedFields(unit, plan, scaled, fields);
        double power = 0.0, worst = 0.0;
        for (std::size_t n = 0; n < scaled.samples.size(); ++n) {
            power += scaled.samples[n].i * scaled.samples[n].i + scaled.samples[n].q * scaled.samples[n].q;
            worst = std::max({worst, std::abs(scaled.samples[n].i / fields.back() - raw.samples[n].i),
                              std::abs(scaled.samples[n].q / fields.back() - raw.samples[n].q)});
        }
        EXPECT_NEAR(power / static_cast<double>(scaled.samples.size()), 1.0, 1e-12) << i;
        EXPECT_LT(worst, 1e-9) << i;
    }
}

// 16-QAM's odd-integer grid has mean energy 10 and 256-QAM's 170: scaled to 1 they carry the same
// power through the same pulse.
TEST(Normalization, UnitConstellationGivesEveryOrderTheSamePower) {
    const std::string classes = R"({"label": "16QAM", "modulation": "qam", "order": 16, "pulse": "rrc"},
                                    {"label": "256QAM", "modulation": "qam", "order": 256, "pulse": "rrc"})";
    // Against either power reference the noise stays 10 dB below the scaled signal.
    for (const char* reference : {"measured", "nominal"}) {
        const DatasetRecipe recipe = drawnChannelRecipeOf(R"("captures_per_class_and_snr": 16, "normalize": "unit_constellation",
            "snr_ref": ")" + std::string(reference) + "\"", classes);
        CaptureSamples capture;
        double power[2] = {};
        double noise[2] = {};
        for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
            const CapturePlan plan = planCapture(recipe, i);
            makeCapture(plan, recipe.samplesPerCapture, capture, recipe.normalization);
            double total = 0.0;
            for (const ComplexSample& x : capture.samples) {
                total += x.i * x.i + x.q * x.q;
            }
            total /= static_cast<double>(capture.samples.size());
            power[plan.classIndex] += capture.signalPower;
            noise[plan.classIndex] += total - capture.signalPower;
        }
        EXPECT_NEAR(power[1] / power[0], 1.0, 0.05) << reference;
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(10.0 * std::log10(power[k] / noise[k]), 10.0, 0.5) << reference << " class " << k;
        }
    }
}

// A recipe of the earlier keys (fixed taps, drawn Rician fading, amplifier, phase noise) keeps
// its captures and settings bit for bit: the digest is that of the same recipe's dataset as the
// program made it before drawn channels and normalisation (the same bytes from the HDF5 and
// SigMF writers of both).
TEST(RecipeBytes, ARecipeWithoutTheNewKeysKeepsEveryCaptureAndSetting) {
    const DatasetRecipe recipe = drawnChannelRecipeOf(
        R"("captures_per_class_and_snr": 6, "pulse": "rrc", "multipath": "0:0:0 2.5:-6:30", "fading": "rician",
           "k_factor": {"min": 1, "max": 4}, "doppler": {"min": 10, "max": 200}, "phase_noise_level": -80,
           "phase_noise_offset": 1000, "pa_saturation": {"min": 0.8, "max": 1.5})",
        R"({"label": "BPSK", "modulation": "psk", "order": 2}, {"label": "16QAM", "modulation": "qam", "order": 16},
           {"label": "GMSK", "modulation": "gmsk", "fading": "off", "pulse": "linear"})");
    std::string bytes;
    CaptureSamples capture;
    std::vector<double> fields;
    for (std::uint64_t i = 0; i < recipe.captureCount(); ++i) {
        const CapturePlan plan = planCapture(recipe, i);
        makeCapture(plan, recipe.samplesPerCapture, capture, recipe.normalization);
        recordedFields(recipe, plan, capture, fields);
        for (const ComplexSample& s : capture.samples) {
            const float iq[2] = {static_cast<float>(s.i), static_cast<float>(s.q)};
            bytes.append(reinterpret_cast<const char*>(iq), sizeof iq);
        }
        bytes.append(reinterpret_cast<const char*>(fields.data()), fields.size() * sizeof(double));
    }
    EXPECT_EQ(recordedFieldNames(recipe).size(), 14u);
    EXPECT_EQ(testing_support::fnv1aDigest(bytes), 9014884352225902737ULL);
}

}  // namespace
}  // namespace quorvel
