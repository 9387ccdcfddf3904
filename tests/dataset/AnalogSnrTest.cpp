// An analog class's SNR as carrier-to-noise in its occupied band, measured: the noise of a capture
// (the capture less the same capture made without noise) is summed over the FFT bins of the
// band, and its ratio to the clean capture's power must be the label. The keyed classes keep
// Es/N0, the noise in every sample sps times the symbol's. The sideband word picks SSB's half.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "dataset/CapturePlan.h"
#include "dataset/CaptureMaking.h"
#include "dataset/CaptureRecord.h"
#include "dataset/DatasetRecipe.h"
#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

constexpr double kAnalogSnrSamplingRateHz = 100000.0;
constexpr std::uint32_t kAnalogSnrSamples = 65536;  // 0.65 Hz per bin tells a band's noise to about 1 %
constexpr double kSnrDb = 7.0;
constexpr double kAnalogSnrToleranceDb = 0.3;

struct AnalogSnrBandCase {
    const char* analog;   // the snr object's "analog" word, or "" for none
    const char* klass;    // the class's JSON
    double lowHz;         // the band the noise is measured over: the occupied band, or
    double highHz;        // the whole sampling band for the per-sample SNR
    double expectedDb;    // carrier over the noise in that band
};

const char* const kDsb = R"({"label": "a", "modulation": "am-dsb", "message_bandwidth": 10000, "mod_depth": 0.8})";
const char* const kLsb = R"({"label": "a", "modulation": "am-ssb-sc", "message_bandwidth": 12000, "sideband": "lower"})";
const char* const kFm = R"({"label": "a", "modulation": "fm", "message_bandwidth": 5000, "deviation": 10000})";
const char* const kQpsk = R"({"label": "a", "modulation": "psk", "order": 4, "samples_per_symbol": 8, "pulse": "rrc"})";
constexpr double kHalf = kAnalogSnrSamplingRateHz / 2.0;

const AnalogSnrBandCase kAnalogSnrCases[] = {
    {"occupied_band", kDsb, -10000.0, 10000.0, kSnrDb},
    {"occupied_band", kLsb, -12000.0, 0.0, kSnrDb},
    {"occupied_band", kFm, -15000.0, 15000.0, kSnrDb},  // Carson: 2 (10 + 5) kHz
    {"", kDsb, -kHalf, kHalf, kSnrDb},
    {"sampling_band", kFm, -kHalf, kHalf, kSnrDb},
    // Es/N0 over 8 samples a symbol: the noise of the whole band 10 log10(8) dB above the symbol's.
    {"occupied_band", kQpsk, -kHalf, kHalf, kSnrDb - 10.0 * std::log10(8.0)},
};

DatasetRecipe recipeFor(const AnalogSnrBandCase& c) {
    const std::string analog = *c.analog ? std::string(R"(, "analog": ")") + c.analog + "\"" : "";
    const std::string text = R"({"seed": 3, "samples_per_capture": )" + std::to_string(kAnalogSnrSamples) +
                             R"(, "captures_per_class_and_snr": 1, "sampling_rate": 100000, "pulse": "linear",
        "samples_per_symbol": 1, "snr": {"values": [)" + std::to_string(kSnrDb) +
                             R"(], "definition": "esn0")" + analog + "}, \"classes\": [" + c.klass + "]}";
    const RecipeReading reading = readDatasetRecipe(text);
    EXPECT_TRUE(reading) << reading.problem;
    return reading ? *reading.recipe : DatasetRecipe{};
}

// Mean power per sample of the part of `noise` within [lowHz, highHz), by Parseval.
double analogSnrBandPower(const SampleBuffer& noise, double lowHz, double highHz) {
    FourierTransform transform(noise.size());
    const auto bins = transform.forward(noise);
    const double n = static_cast<double>(noise.size());
    double sum = 0.0;
    for (std::size_t k = 0; k < noise.size(); ++k) {
        const double hz = (k < noise.size() / 2 ? static_cast<double>(k) : static_cast<double>(k) - n) * kAnalogSnrSamplingRateHz / n;
        if (hz >= lowHz && hz < highHz) {
            sum += bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
        }
    }
    return sum / (n * n);
}

class AnalogSnr : public testing::TestWithParam<AnalogSnrBandCase> {};

TEST_P(AnalogSnr, CarrierOverTheBandsNoiseIsTheLabel) {
    const AnalogSnrBandCase& c = GetParam();
    const DatasetRecipe recipe = recipeFor(c);
    ASSERT_EQ(recipe.classes.size(), 1U);
    const CapturePlan noisy = planCapture(recipe, 0);
    CapturePlan clean = noisy;
    clean.parameters.snrDb = std::numeric_limits<double>::infinity();
    CaptureSamples withNoise, without;
    makeCapture(noisy, kAnalogSnrSamples, withNoise);
    makeCapture(clean, kAnalogSnrSamples, without);
    SampleBuffer noise(kAnalogSnrSamples);
    for (std::size_t k = 0; k < kAnalogSnrSamples; ++k) {
        noise[k] = {withNoise.samples[k].i - without.samples[k].i, withNoise.samples[k].q - without.samples[k].q};
    }
    const double carrierDb = 10.0 * std::log10(without.signalPower);
    const double noiseDb = 10.0 * std::log10(analogSnrBandPower(noise, c.lowHz, c.highHz));
    EXPECT_NEAR(carrierDb - noiseDb, c.expectedDb, kAnalogSnrToleranceDb) << c.klass;
}

INSTANTIATE_TEST_SUITE_P(Bands, AnalogSnr, testing::ValuesIn(kAnalogSnrCases));

// The recipe's sideband word keeps that half of the spectrum: the other lies at least 40 dB down.
TEST(AnalogSnr, SidebandKeyKeepsItsHalf) {
    constexpr double kSuppressionDb = 40.0;
    for (const char* side : {"upper", "lower"}) {
        const std::string klass = std::string(R"({"label": "a", "modulation": "am-ssb-sc", "sideband": ")") + side + "\"}";
        const AnalogSnrBandCase c{"", klass.c_str(), 0.0, 0.0, 0.0};
        CaptureSamples capture;
        CapturePlan plan = planCapture(recipeFor(c), 0);
        plan.parameters.snrDb = std::numeric_limits<double>::infinity();
        makeCapture(plan, kAnalogSnrSamples, capture);
        const double upper = analogSnrBandPower(capture.samples, 1.0, kHalf);
        const double lower = analogSnrBandPower(capture.samples, -kHalf, -1.0);
        const double keptOverOtherDb = 10.0 * std::log10(std::string(side) == "upper" ? upper / lower : lower / upper);
        EXPECT_GT(keptOverOtherDb, kSuppressionDb) << side;
    }
}

// The meaning is written down only where the recipe asks for it, and so is each capture's band.
TEST(AnalogSnr, RecordedOnlyWhereAsked) {
    for (const AnalogSnrBandCase& c : {kAnalogSnrCases[0], kAnalogSnrCases[3], kAnalogSnrCases[4]}) {
        const DatasetRecipe recipe = recipeFor(c);
        const bool occupied = std::string(c.analog) == "occupied_band";
        EXPECT_EQ(analogSnrText(recipe).empty(), !occupied) << c.analog;
        const auto names = recordedFieldNames(recipe);
        EXPECT_EQ(names.back() == "occupied_band_hz", occupied) << c.analog;
    }
}

}  // namespace
}  // namespace quorvel
