// A scene's receiver: its frequency offset turns the emitters' sum and moves the boxes, its IQ
// imbalance leaves the image the textbook rejection ratio predicts, its DC offset shifts the mean,
// its keys are refused by path, and its drawn settings reach dataset.h5 and the capture's own
// recording as planned, a capture made alone being the whole run's.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <nlohmann/json.hpp>

#include "channel/PhaseNoise.h"
#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRun.h"
#include "dataset/SceneLabels.h"
#include "dataset/SceneMaking.h"
#include "dataset/SceneRecording.h"
#include "dsp/FourierTransform.h"
#include "support/Hdf5Values.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::hdf5Values;
using testing_support::hdf5XRow;
using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

constexpr double kSceneReceiverRateHz = 1e6;
constexpr std::size_t kFreqLower = 6;  // sceneBoxColumns' freq_lower_edge, freq_upper_edge
constexpr std::size_t kFreqUpper = 7;

std::string sceneReceiverRecipeText(const std::string& receiver, const std::string& scene = "") {
    const std::string receiverKey = receiver.empty() ? "" : R"(, "receiver": )" + receiver;
    return R"({"seed": 5, "samples_per_capture": 8192, "scene": {"sampling_rate": 1e6, "captures": 12, )" +
           (scene.empty()
                ? std::string(
                      R"("emitters": {"min": 1, "max": 3}, "bandwidth": {"min": 0.03, "max": 0.1})")
                : scene) +
           receiverKey +
           R"(}, "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4}]})";
}

DatasetRecipe sceneReceiverRecipeOf(const std::string& text) {
    RecipeReading reading = readDatasetRecipe(text);
    EXPECT_TRUE(reading) << reading.problem;
    return reading ? *reading.recipe : DatasetRecipe{};
}

CaptureSamples made(const DatasetRecipe& recipe, std::uint64_t index) {
    CaptureSamples capture;
    makeScene(recipe, planScene(recipe, index), capture);
    return capture;
}

TEST(SceneReceiver, RefusalsNameTheKey) {
    const struct {
        const char* receiver;
        const char* startsWith;
    } cases[] = {
        {R"({"gain": 1})", "scene.receiver.gain: unknown key"},
        {R"(3)", "scene.receiver: an object"},
        {R"({"iq_imbalance_phase": {"min": 5, "max": 2}})",
         "scene.receiver.iq_imbalance_phase.max: "},
        {R"({"frequency_offset": {"min": 0, "mix": 2}})",
         "scene.receiver.frequency_offset.mix: unknown key"},
        {R"({"frequency_offset": 500001})", "scene.receiver.frequency_offset: "},
        {R"({"iq_imbalance_amplitude": "nan"})", "scene.receiver.iq_imbalance_amplitude: "},
        {R"({"iq_imbalance_amplitude": 21})", "scene.receiver.iq_imbalance_amplitude: "},
        {R"({"dc_offset_q": {"min": 0, "max": 2e6}})", "scene.receiver.dc_offset_q.max: "},
        {R"({"phase_noise_level": -80})", "scene.receiver.phase_noise_offset: missing"},
        {R"({"phase_noise_level": -80, "phase_noise_offset": 0})",
         "scene.receiver.phase_noise_offset: "},
        {R"({"phase_noise_level": 1, "phase_noise_offset": 100})",
         "scene.receiver.phase_noise_level: "},
    };
    for (const auto& c : cases) {
        const RecipeReading reading = readDatasetRecipe(sceneReceiverRecipeText(c.receiver));
        ASSERT_FALSE(reading) << c.receiver;
        EXPECT_EQ(reading.problem.rfind(c.startsWith, 0), 0U) << reading.problem;
    }
}

// The offset turns the emitters' sum before the floor: with and without it the emitters and the
// floor are the same draws, so the turned capture less the plain one turned leaves only the floor's
// share, and every box moves by the offset, wrapped by the sampling rate back into the band.
TEST(SceneReceiver, FrequencyOffsetTurnsTheCaptureAndMovesTheBoxes) {
    const std::string scene =
        R"("emitters": {"min": 1, "max": 3}, "snr_db": 50, "bandwidth": {"min": 0.03, "max": 0.1})";
    const DatasetRecipe plain = sceneReceiverRecipeOf(sceneReceiverRecipeText("", scene));
    for (const double offset : {123456.7, -301234.5, 499000.0}) {
        const DatasetRecipe turned =
            sceneReceiverRecipeOf(sceneReceiverRecipeText(R"({"frequency_offset": )" + std::to_string(offset) + "}", scene));
        for (std::uint64_t i = 0; i < 3; ++i) {
            const CaptureSamples a = made(plain, i);
            const CaptureSamples b = made(turned, i);
            double residual = 0.0;
            for (std::size_t n = 0; n < a.samples.size(); ++n) {
                const std::complex<double> turn =
                    std::polar(1.0, 2.0 * Pi * offset * static_cast<double>(n) / kSceneReceiverRateHz);
                residual += std::norm(std::complex<double>(b.samples[n].i, b.samples[n].q) -
                                      turn * std::complex<double>(a.samples[n].i, a.samples[n].q));
            }
            // The floor's share alone, the floor being added after the turn: |w (1 - turn)|^2
            // averages 2 per sample (0 were the floor turned too), against hundreds of signal
            // power.
            EXPECT_NEAR(residual / static_cast<double>(a.samples.size()), 2.0, 0.15) << offset;
            EXPECT_GT(b.signalPower, 100.0);

            std::vector<double> before, after;
            appendSceneBoxRows(plain, planScene(plain, i), before);
            appendSceneBoxRows(turned, planScene(turned, i), after);
            const std::size_t width = sceneBoxColumns(plain).size();
            ASSERT_EQ(before.size(), after.size());
            for (std::size_t r = 0; r < before.size(); r += width) {
                const double centre = 0.5 * (before[r + kFreqLower] + before[r + kFreqUpper]);
                const double seen = std::remainder(centre + offset, kSceneReceiverRateHz);
                EXPECT_NEAR(0.5 * (after[r + kFreqLower] + after[r + kFreqUpper]), seen, 1e-6)
                    << offset;
                EXPECT_NEAR(after[r + kFreqUpper] - after[r + kFreqLower],
                            before[r + kFreqUpper] - before[r + kFreqLower], 1e-6);
            }
        }
    }
}

// Mean power of the bins whose centre lies in [low, high] Hz, Hann-windowed frames of 1024.
double sceneReceiverBandPower(const SampleBuffer& x, double low, double high) {
    constexpr std::size_t kFft = 1024;
    FourierTransform transform(kFft);
    SampleBuffer frame(kFft);
    double sum = 0.0;
    for (std::size_t start = 0; start + kFft <= x.size(); start += kFft / 2) {
        for (std::size_t n = 0; n < kFft; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / kFft);
            frame[n] = {x[start + n].i * w, x[start + n].q * w};
        }
        const auto bins = transform.forward(frame);
        for (std::size_t k = 0; k < kFft; ++k) {
            const double hz =
                (k < kFft / 2 ? static_cast<double>(k) : static_cast<double>(k) - kFft) * kSceneReceiverRateHz /
                kFft;
            if (hz >= low && hz <= high) {
                sum += bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
            }
        }
    }
    return sum;
}

// An emitter at c leaves an image at -c whose power over its own is the image rejection ratio of a
// gain ratio g = 10^(A/20) and phase error phi: (1 + g^2 - 2 g cos phi) / (1 + g^2 + 2 g cos phi).
// The DC offset is the mean of the capture less the one made without it.
TEST(SceneReceiver, IqImbalanceImageAndDcOffset) {
    const std::string scene =
        R"("emitters": 1, "snr_db": 60, "bandwidth": 0.05, "burst_probability": 0)";
    const DatasetRecipe plain = sceneReceiverRecipeOf(sceneReceiverRecipeText("", scene));
    const struct {
        double amplitudeDb, phaseDegrees, dcI, dcQ;
    } cases[] = {{2.0, 0.0, 0.0, 0.0},
                 {0.0, 10.0, 0.0, 0.0},
                 {-1.5, -7.0, 0.0, 0.0},
                 {0.0, 0.0, 0.75, -2.5}};
    for (const auto& c : cases) {
        const DatasetRecipe impaired =
            sceneReceiverRecipeOf(sceneReceiverRecipeText(R"({"iq_imbalance_amplitude": )" + std::to_string(c.amplitudeDb) +
                                    R"(, "iq_imbalance_phase": )" + std::to_string(c.phaseDegrees) +
                                    R"(, "dc_offset_i": )" + std::to_string(c.dcI) +
                                    R"(, "dc_offset_q": )" + std::to_string(c.dcQ) + "}",
                                scene));
        const double g = std::pow(10.0, c.amplitudeDb / 20.0);
        const double cosine = std::cos(c.phaseDegrees * Pi / 180.0);
        const double rejection =
            (1.0 + g * g - 2.0 * g * cosine) / (1.0 + g * g + 2.0 * g * cosine);
        int measured = 0;
        for (std::uint64_t i = 0; i < plain.captureCount() && measured < 2; ++i) {
            const EmitterBox box = planScene(plain, i).emitters.at(0).boxes.at(0);
            if (box.lowerHz < 0.02 * kSceneReceiverRateHz && box.upperHz > -0.02 * kSceneReceiverRateHz) {
                continue;  // its image would fall on itself
            }
            ++measured;
            const CaptureSamples a = made(plain, i);
            const CaptureSamples b = made(impaired, i);
            if (rejection > 0.0) {
                // The plain capture's power at the image is the floor's and the emitter's own
                // leakage.
                const double image = sceneReceiverBandPower(b.samples, -box.upperHz, -box.lowerHz) -
                                     sceneReceiverBandPower(a.samples, -box.upperHz, -box.lowerHz);
                const double own = sceneReceiverBandPower(b.samples, box.lowerHz, box.upperHz);
                EXPECT_NEAR(10.0 * std::log10(image / own), 10.0 * std::log10(rejection), 0.3)
                    << c.amplitudeDb << " " << c.phaseDegrees;
            } else {
                double i0 = 0.0, q0 = 0.0;
                for (std::size_t n = 0; n < a.samples.size(); ++n) {
                    i0 += b.samples[n].i - a.samples[n].i;
                    q0 += b.samples[n].q - a.samples[n].q;
                }
                EXPECT_NEAR(i0 / static_cast<double>(a.samples.size()), c.dcI, 1e-9);
                EXPECT_NEAR(q0 / static_cast<double>(a.samples.size()), c.dcQ, 1e-9);
            }
        }
        EXPECT_EQ(measured, 2);
    }
}

// Phase noise turns the capture by a random walk whose steps have the single-capture stage's
// deviation: seen as the phase steps of the impaired capture against the plain one where the
// emitter is strong (the floor 60 dB down adds well under a percent to their variance).
TEST(SceneReceiver, PhaseNoiseWalksWithTheStagesSteps) {
    const std::string scene =
        R"("emitters": 1, "snr_db": 60, "bandwidth": 0.1, "burst_probability": 0)";
    const DatasetRecipe plain = sceneReceiverRecipeOf(sceneReceiverRecipeText("", scene));
    for (const auto& [level, offset] : {std::pair{-60.0, 1e4}, std::pair{-90.0, 1e5}}) {
        const DatasetRecipe impaired =
            sceneReceiverRecipeOf(sceneReceiverRecipeText(R"({"phase_noise_level": )" + std::to_string(level) +
                                    R"(, "phase_noise_offset": )" + std::to_string(offset) + "}",
                                scene));
        const double deviation = phaseStepDeviation({level, offset}, kSceneReceiverRateHz);
        for (std::uint64_t i = 0; i < 2; ++i) {
            const CaptureSamples a = made(plain, i);
            const CaptureSamples b = made(impaired, i);
            const auto turn = [&](std::size_t n) {
                return std::complex<double>(b.samples[n].i, b.samples[n].q) *
                       std::conj(std::complex<double>(a.samples[n].i, a.samples[n].q));
            };
            double sum = 0.0;
            std::size_t steps = 0;
            for (std::size_t n = 0; n + 1 < a.samples.size(); ++n) {
                if (std::norm(turn(n)) > 0.1 * a.signalPower * a.signalPower &&
                    std::norm(turn(n + 1)) > 0.1 * a.signalPower * a.signalPower) {
                    sum += std::norm(std::arg(turn(n + 1) * std::conj(turn(n))));
                    ++steps;
                }
            }
            ASSERT_GT(steps, 2000U);
            EXPECT_NEAR(std::sqrt(sum / static_cast<double>(steps)) / deviation, 1.0, 0.08)
                << level << " " << offset;
        }
    }
}

// Drawn per capture within its range, recorded in dataset.h5 (only the keys given) and in the
// capture's own recording; shards merge to the whole file, and a capture made alone is its row.
TEST(SceneReceiver, DrawnSettingsAreRecordedAndACaptureMadeAloneIsTheRunsRow) {
    const DatasetRecipe recipe = sceneReceiverRecipeOf(sceneReceiverRecipeText(
        R"({"frequency_offset": {"min": -2e5, "max": 2e5}, "iq_imbalance_phase": {"min": 1, "max": 3}, "dc_offset_i": 0.5})"));
    const TempDir whole, sharded;
    ASSERT_EQ(runDataset(recipe, whole.str(), {.threads = 2}).failure, "");
    for (std::uint64_t k = 0; k < 3; ++k) {
        ASSERT_EQ(runDataset(recipe, sharded.str(), {.shard = Shard{k, 3}, .threads = 1}).failure,
                  "");
    }
    const MergeResult merged = mergeDataset(sharded.str());
    ASSERT_EQ(merged.problem + merged.failure, "");
    EXPECT_TRUE(
        sameBytes(readBytes(whole.file("dataset.h5")), readBytes(sharded.file("dataset.h5"))));

    const std::string file = whole.file("dataset.h5");
    EXPECT_TRUE(
        hdf5Values<double>(file, "settings/receiver_iq_imbalance_amplitude").empty());  // not given
    const struct {
        ReceiverKey key;
        const char* field;
        double low, high;
    } recorded[] = {
        {ReceiverKey::FrequencyOffset, "settings/receiver_frequency_offset", -2e5, 2e5},
        {ReceiverKey::IqImbalancePhase, "settings/receiver_iq_imbalance_phase", 1.0, 3.0},
        {ReceiverKey::DcOffsetI, "settings/receiver_dc_offset_i", 0.5, 0.5}};
    for (const auto& r : recorded) {
        const std::vector<double> values = hdf5Values<double>(file, r.field);
        ASSERT_EQ(values.size(), recipe.captureCount()) << r.field;
        for (std::uint64_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(values[i], (*planScene(recipe, i).receiver)[r.key]) << r.field << " " << i;
            EXPECT_GE(values[i], r.low);
            EXPECT_LE(values[i], r.high);
        }
        EXPECT_EQ(values.front() == values.back(), r.low == r.high) << r.field;
    }

    constexpr std::uint64_t kAlone = 7;
    std::vector<std::string> written;
    ASSERT_EQ(writeSceneRecording(recipe, kAlone, whole.str(), written), std::nullopt);
    EXPECT_TRUE(sameBytes(hdf5XRow(file, kAlone, 8192), readBytes(whole.file("scene_7.sigmf-data"))));
    const auto segment =
        nlohmann::json::parse(readBytes(whole.file("scene_7.sigmf-meta")))["captures"].at(0);
    const ReceiverPlan drawn = *planScene(recipe, kAlone).receiver;
    EXPECT_EQ(segment.at("quorvel:receiver_frequency_offset").get<double>(),
              drawn[ReceiverKey::FrequencyOffset]);
    EXPECT_EQ(segment.at("quorvel:receiver_iq_imbalance_phase").get<double>(),
              drawn[ReceiverKey::IqImbalancePhase]);
    EXPECT_FALSE(segment.contains("quorvel:receiver_iq_imbalance_amplitude"));
}

}  // namespace
}  // namespace quorvel
