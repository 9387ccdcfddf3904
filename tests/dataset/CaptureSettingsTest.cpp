// What the file records for each capture agrees with the capture: its label and SNR follow the
// documented order, its recorded settings lie in the recipe's ranges and remake its samples
// through the ordinary file engine with the capture's seeds, and the noise in it has the recorded
// SNR.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "common/SeedSource.h"
#include "dataset/CaptureMaking.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/DatasetRun.h"
#include "dataset/Hdf5DatasetFile.h"
#include "modulation/SchemeCatalog.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

// The measured SNR of 2048 complex noise samples is within about 0.3 dB (3 sigma) of the set one.
constexpr double kCaptureSettingsSnrToleranceDb = 0.35;
// float32 holds the samples the file engine makes in double.
constexpr double kFloatTolerance = 1e-6;
// The correlation of 2048 pairs of independent normal values is within 0.1 of its mean (4.5 sigma).
constexpr double kCaptureSettingsCorrelationTolerance = 0.1;

// A capture's recorded settings by name.
struct Recorded {
    const std::vector<std::string>& names;
    const CaptureRecord& capture;

    double operator()(const std::string& name) const {
        const auto at = std::find(names.begin(), names.end(), name);
        EXPECT_NE(at, names.end()) << name;
        return at == names.end() ? NAN : capture.settings[static_cast<std::size_t>(at - names.begin())];
    }
};

struct CaptureSettingsCase {
    const char* recipe;
    // The capture's settings as the recorded values and the recipe's fixed keys give them, by hand.
    void (*settings)(SignalParameters& p, const Recorded& f, std::size_t classIndex);
    // The random stages' seeds of a seeded quorvel-cli file are not a capture's: those captures
    // are remade with their own seeds, the others as file i of a run seeded with the recipe's.
    bool seededFile;
    // Of I and Q of the noise: a receiver's phase imbalance after the noise turns it too.
    double noiseCorrelation;
};

const CaptureSettingsCase kCaptureSettingsCases[] = {
    {R"({
  "seed": 99, "samples_per_capture": 2048, "captures_per_class_and_snr": 3,
  "snr": {"values": [-6, 3.5, 25]}, "sampling_rate": 48000,
  "symbol_rate": {"min": 3000, "max": 9000}, "frequency_offset": {"min": -300, "max": 300},
  "mixing_frequency": {"min": 0, "max": 1000}, "timing_error": {"min": -0.5, "max": 0.5},
  "classes": [{"label": "QAM64", "modulation": "qam", "order": 64},
              {"label": "APSK16", "modulation": "apsk", "order": 16, "apsk_radii": "0.6 1.4"},
              {"label": "MSK", "modulation": "msk", "symbol_rate": 6000, "data_source": "prn7"}]})",
     [](SignalParameters& p, const Recorded& f, std::size_t classIndex) {
         p.symbolRate = f("symbol_rate");
         p.frequencyOffset = f("frequency_offset");
         p.mixingFrequency = f("mixing_frequency");
         p.timingError = f("timing_error");
         p.dataSource = classIndex == 2 ? DataSource::Prn7Lfsr : DataSource::CurrentRandom;
     },
     true, 0.0},
    {R"({
  "seed": 7, "samples_per_capture": 2048, "captures_per_class_and_snr": 2,
  "snr": {"values": [0, 20]}, "sampling_rate": 48000, "samples_per_symbol": 8,
  "frequency_offset": {"min": -300, "max": 300},
  "pa_smoothness": {"min": 1, "max": 3}, "pa_saturation": {"min": 0.8, "max": 1.2},
  "clock_offset": {"min": -50, "max": 50}, "multipath": "0:0:0 2.5:-6:90",
  "fading": "rician", "k_factor": {"min": 1, "max": 10}, "doppler": {"min": 5, "max": 50},
  "phase_noise_level": {"min": -90, "max": -70}, "phase_noise_offset": {"min": 100, "max": 1000},
  "iq_imbalance_amplitude": {"min": -1, "max": 1}, "iq_imbalance_phase": 30,
  "dc_offset_i": {"min": -0.05, "max": 0.05}, "dc_offset_q": 0.02,
  "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc"},
              {"label": "QAM16", "modulation": "qam", "order": 16, "fading": "off"}]})",
     [](SignalParameters& p, const Recorded& f, std::size_t classIndex) {
         p.symbolRate = 6000;
         p.frequencyOffset = f("frequency_offset");
         // The unshaped class has no roll-off to record.
         EXPECT_EQ(std::isnan(f("rolloff")), classIndex == 1);
         if (classIndex == 0) {
             p.transmitter.pulse = PulseShape::RootRaisedCosine;
             p.transmitter.rolloff = f("rolloff");
             p.impairments.fading = Fading{FadingModel::Rician, f("k_factor"), f("doppler")};
         } else {
             EXPECT_TRUE(std::isnan(f("k_factor")) && std::isnan(f("doppler")));
         }
         p.impairments.amplifier = RappCompression{f("pa_smoothness"), f("pa_saturation")};
         p.impairments.clockOffsetPpm = f("clock_offset");
         p.impairments.multipath = {{0, 0, 0}, {2.5, -6, 90}};
         p.impairments.phaseNoise = PhaseNoise{f("phase_noise_level"), f("phase_noise_offset")};
         p.impairments.iqImbalance = {f("iq_imbalance_amplitude"), f("iq_imbalance_phase")};
         p.impairments.dcOffset = {f("dc_offset_i"), f("dc_offset_q")};
     },
     false, -std::sin(30.0 * Pi / 180.0)},
};

double correlation(std::span<const ComplexSample> v) {
    double ii = 0, qq = 0, iq = 0;
    for (const ComplexSample& s : v) {
        ii += s.i * s.i, qq += s.q * s.q, iq += s.i * s.q;
    }
    return iq / std::sqrt(ii * qq);
}

TEST(CaptureSettings, RecordedLabelsSettingsAndSnrsAgreeWithTheSamples) {
    for (const CaptureSettingsCase& test : kCaptureSettingsCases) {
        const RecipeReading reading = readDatasetRecipe(test.recipe);
        ASSERT_TRUE(reading) << reading.problem;
        const DatasetRecipe& recipe = *reading.recipe;
        const auto json = nlohmann::json::parse(test.recipe);
        const std::uint64_t repetitions = recipe.capturesPerClassAndSnr, snrs = recipe.snrsDb.size();
        const TempDir dir;
        ASSERT_EQ(runDataset(recipe, dir.str(), {}).failure, "");
        Hdf5ShardReader file(dir.file("dataset.h5"));
        const std::vector<std::string> names = recordedFieldNames(recipe);
        CaptureRecord c;
        std::uint64_t i = 0;
        for (; file.next(c); ++i) {
            SCOPED_TRACE(testing::Message() << "seed " << recipe.seed << ", capture " << i);
            ASSERT_EQ(c.index, i);
            EXPECT_EQ(c.classIndex, i / repetitions / snrs);
            EXPECT_EQ(c.snrDb, json["snr"]["values"][i / repetitions % snrs].get<double>());
            const Recorded f{names, c};
            // Where a class turns an impairment off, its numbers are NaN.
            for (const auto& [key, range] : json.items()) {
                if (range.is_object() && range.contains("min") && !std::isnan(f(key))) {
                    EXPECT_GE(f(key), range["min"].get<double>()) << key;
                    EXPECT_LE(f(key), range["max"].get<double>()) << key;
                }
            }
            // The recorded settings, with no noise, through quorvel-cli's engine.
            SignalParameters p = recipe.classes[c.classIndex].scheme;
            p.samplingRate = 48000;
            test.settings(p, f, c.classIndex);
            p.symbolCount = static_cast<std::int32_t>(f("symbol_count"));
            p.snrDb = INFINITY;
            p.outputFormat = OutputFormat::Cf32;
            const std::uint64_t key = splitMix64(recipe.seed, i);
            if (test.seededFile && i == 0) {
                continue;  // files are numbered from 1
            }
            p.fileCount = test.seededFile ? static_cast<std::int32_t>(i) : 1;
            const StageSeeds stageSeeds = [key](std::int32_t, RandomStage stage) {
                return static_cast<std::uint32_t>(splitMix64(key, static_cast<std::uint32_t>(stage) + 1) >> 32);
            };
            const SignalSynthesizer synthesizer = test.seededFile
                                                      ? SignalSynthesizer::seeded(static_cast<std::uint32_t>(recipe.seed))
                                                      : SignalSynthesizer(counterSeeds(key), stageSeeds);
            const TempDir scratch;
            const auto clean = synthesizer.regenerateFile(p, p.fileCount, scratch.str());
            ASSERT_GE(clean.signal.size(), 2048u) << clean.refusal;
            // Made alone without its noise, the capture is the file's start.
            CapturePlan plan = planCapture(recipe, i);
            plan.parameters.snrDb = INFINITY;
            CaptureSamples alone;
            makeCapture(plan, 2048, alone, Normalization::None);
            double signal = 0.0, noisePower = 0.0;
            std::vector<ComplexSample> noise(2048);
            for (std::size_t n = 0; n < 2048; ++n) {
                const ComplexSample s = clean.signal[n];
                ASSERT_EQ(alone.samples[n], s) << n;
                signal += s.i * s.i + s.q * s.q;
                noise[n] = {c.iq[2 * n] - s.i, c.iq[2 * n + 1] - s.q};
                noisePower += noise[n].i * noise[n].i + noise[n].q * noise[n].q;
            }
            if (!p.impairments.hasDcOffset() && !p.impairments.hasIqImbalance()) {
                EXPECT_NEAR(f("signal_power"), signal / 2048, kFloatTolerance);
            }
            EXPECT_NEAR(10.0 * std::log10(f("signal_power") / noisePower * 2048), c.snrDb, kCaptureSettingsSnrToleranceDb);
            EXPECT_NEAR(correlation(noise), test.noiseCorrelation, kCaptureSettingsCorrelationTolerance);
        }
        EXPECT_EQ(i, recipe.captureCount());
    }
}

}  // namespace
}  // namespace quorvel
