// The later families as recipe classes: a drawn tone frequency lies in its range, differs between
// captures, and is the frequency the capture's samples turn at; a class's order reaches its run.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "dataset/CaptureMaking.h"
#include "dataset/CapturePlan.h"
#include "dataset/DatasetRecipe.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

constexpr double kFrequencyToleranceHz = 0.5;

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
        EXPECT_NEAR(std::atan2(sum.q, sum.i) / (2.0 * Pi) * 10000.0, toneHz, kFrequencyToleranceHz) << index;
    }
    EXPECT_EQ(drawn.size(), 6u);
}

}  // namespace
}  // namespace quorvel
