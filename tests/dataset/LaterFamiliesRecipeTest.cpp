// The later families as recipe classes: a drawn tone frequency lies in its range, differs between
// captures, and is the frequency the capture's samples turn at; a class's order reaches its run;
// OFDM's subcarrier word and drawn FFT size reach theirs.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "dataset/CaptureMaking.h"
#include "dataset/CapturePlan.h"
#include "dataset/DatasetRecipe.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

constexpr double kLaterFamiliesRecipeFrequencyToleranceHz = 0.5;

TEST(LaterFamiliesRecipe, DrawnToneFrequenciesAreTheCapturesOwn) {
    const RecipeReading reading = readDatasetRecipe(R"({
        "seed": 3, "samples_per_capture": 256, "captures_per_class_and_snr": 6,
        "snr": {"start": 200, "stop": 200, "step": 1}, "sampling_rate": 10000, "samples_per_symbol": 8,
        "classes": [{"label": "Tone", "modulation": "tone", "tone": {"min": -2000, "max": 3000}},
                    {"label": "16ASK", "modulation": "ask", "order": 16, "pulse": "rrc"}]})");
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    std::set<double> drawn;
    CaptureSamples capture;
    for (std::uint64_t index = 0; index < recipe.captureCount(); ++index) {
        const CapturePlan plan = planCapture(recipe, index);
        const SignalParameters& p = plan.parameters;
        if (p.modulationType == ModulationType::Ask) {
            EXPECT_EQ(chosenOrder(p), 16);
            continue;
        }
        ASSERT_EQ(p.modulationType, ModulationType::Tone);
        const double toneHz = waveformValue(p, "tone");
        EXPECT_GE(toneHz, -2000.0);
        EXPECT_LE(toneHz, 3000.0);
        drawn.insert(toneHz);
        makeCapture(plan, recipe.samplesPerCapture, capture, recipe.normalization);
        // The mean phase step between samples, as a frequency.
        ComplexSample sum;
        for (std::size_t n = 1; n < capture.samples.size(); ++n) {
            const ComplexSample& a = capture.samples[n - 1];
            const ComplexSample& b = capture.samples[n];
            sum = sum + ComplexSample{b.i * a.i + b.q * a.q, b.q * a.i - b.i * a.q};
        }
        EXPECT_NEAR(std::atan2(sum.q, sum.i) / (2.0 * Pi) * 10000.0, toneHz, kLaterFamiliesRecipeFrequencyToleranceHz) << index;
    }
    EXPECT_EQ(drawn.size(), 6u);
}

// OFDM's subcarriers by their word; a drawn FFT size is an offered one, and the capture is made.
TEST(LaterFamiliesRecipe, OfdmDrawsOfferedFftSizes) {
    const RecipeReading reading = readDatasetRecipe(R"({
        "seed": 4, "samples_per_capture": 512, "captures_per_class_and_snr": 8,
        "snr": {"start": 10, "stop": 10, "step": 1}, "sampling_rate": 10000, "samples_per_symbol": 8,
        "classes": [{"label": "OFDM", "modulation": "ofdm", "subcarriers": "qam:64",
                     "fft_size": {"min": 64, "max": 300}, "cp_ratio": {"min": 0, "max": 0.25}}]})");
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    const std::set<double> offered{64, 72, 128, 180, 256, 300};
    CaptureSamples capture;
    for (std::uint64_t index = 0; index < recipe.captureCount(); ++index) {
        const CapturePlan plan = planCapture(recipe, index);
        EXPECT_EQ(alphabetSize(plan.parameters), 64);
        EXPECT_EQ(offered.count(waveformValue(plan.parameters, "fft_size")), 1u) << index;
        makeCapture(plan, recipe.samplesPerCapture, capture);
        EXPECT_EQ(capture.samples.size(), 512u);
    }
}

// Drawn parameters of GFSK and the chirps reach their captures, and a capture of LFM pulses is
// filled by whole pulses: each period of length + gap samples ends in silence.
TEST(LaterFamiliesRecipe, GfskAndChirpClassesDrawTheirOwnParameters) {
    const RecipeReading reading = readDatasetRecipe(R"({
        "seed": 5, "samples_per_capture": 300, "captures_per_class_and_snr": 4,
        "snr": {"start": 200, "stop": 200, "step": 1}, "sampling_rate": 10000, "samples_per_symbol": 8,
        "classes": [{"label": "GFSK", "modulation": "gfsk", "bt": {"min": 0.2, "max": 0.5}},
                    {"label": "LFM", "modulation": "lfm", "chirp_bandwidth": {"min": 1000, "max": 4000}, "chirp_length": 100, "chirp_gap": 30},
                    {"label": "CSS", "modulation": "chirpss", "spreading_factor": 8, "chirp_bandwidth": {"min": 5000, "max": 10000}}]})");
    ASSERT_TRUE(reading) << reading.problem;
    CaptureSamples capture;
    for (std::uint64_t index = 0; index < reading.recipe->captureCount(); ++index) {
        const CapturePlan plan = planCapture(*reading.recipe, index);
        const SignalParameters& p = plan.parameters;
        const double bt = waveformValue(p, "bt"), band = waveformValue(p, "chirp_bandwidth");
        EXPECT_TRUE(p.modulationType == ModulationType::Gfsk ? bt >= 0.2 && bt <= 0.5 : std::isnan(bt)) << index;
        EXPECT_TRUE(p.modulationType == ModulationType::Gfsk ? std::isnan(band) : band >= 1000 && band <= 10000) << index;
        makeCapture(plan, reading.recipe->samplesPerCapture, capture);
        ASSERT_EQ(capture.samples.size(), 300u);
        for (std::size_t n = 0; n < capture.samples.size() && p.modulationType == ModulationType::Lfm; ++n) {
            EXPECT_NEAR(std::hypot(capture.samples[n].i, capture.samples[n].q), n % 130 < 100 ? 1.0 : 0.0, 1e-6) << n;
        }
    }
}

// A drawn modulation depth is the capture's own: AM-DSB of a noise message of standard deviation
// 1/4 has an envelope whose spread over its mean is m / 4. A drawn FM deviation stays in range.
TEST(LaterFamiliesRecipe, AnalogClassesDrawDepthAndDeviation) {
    const RecipeReading reading = readDatasetRecipe(R"({
        "seed": 9, "samples_per_capture": 4096, "captures_per_class_and_snr": 4,
        "snr": {"start": 200, "stop": 200, "step": 1}, "sampling_rate": 10000, "samples_per_symbol": 8,
        "classes": [{"label": "AM-DSB", "modulation": "am-dsb", "mod_depth": {"min": 0.3, "max": 0.9}},
                    {"label": "FM", "modulation": "fm", "deviation": {"min": 200, "max": 1000}, "message_bandwidth": 2000}]})");
    ASSERT_TRUE(reading) << reading.problem;
    CaptureSamples capture;
    std::set<double> drawn;
    for (std::uint64_t index = 0; index < reading.recipe->captureCount(); ++index) {
        const CapturePlan plan = planCapture(*reading.recipe, index);
        const SignalParameters& p = plan.parameters;
        makeCapture(plan, reading.recipe->samplesPerCapture, capture);
        ASSERT_EQ(capture.samples.size(), 4096u);
        if (p.modulationType == ModulationType::Fm) {
            const double deviation = waveformValue(p, "deviation");
            EXPECT_TRUE(deviation >= 200 && deviation <= 1000) << deviation;
            drawn.insert(deviation);
            continue;
        }
        const double m = waveformValue(p, "mod_depth");
        ASSERT_TRUE(m >= 0.3 && m <= 0.9) << m;
        drawn.insert(m);
        double sum = 0, squares = 0;
        for (const ComplexSample& s : capture.samples) {
            sum += s.i, squares += s.i * s.i;
        }
        const double n = static_cast<double>(capture.samples.size()), mean = sum / n;
        EXPECT_NEAR(4.0 * std::sqrt(squares / n - mean * mean) / mean, m, 0.1 * m) << index;
    }
    EXPECT_EQ(drawn.size(), 8u);
}

}  // namespace
}  // namespace quorvel
