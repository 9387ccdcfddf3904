// What the file records for each capture agrees with the capture: its label and SNR follow the
// documented order, its recorded settings remake its samples through the ordinary file engine,
// and the noise in it has the recorded SNR.

#include <gtest/gtest.h>

#include <cmath>

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
constexpr double kSnrToleranceDb = 0.35;
// float32 holds the samples the file engine makes in double.
constexpr double kFloatTolerance = 1e-6;

const char* const kRecipe = R"({
  "seed": 99, "samples_per_capture": 2048, "captures_per_class_and_snr": 3,
  "snr": {"values": [-6, 3.5, 25]}, "sampling_rate": 48000,
  "symbol_rate": {"min": 3000, "max": 9000}, "frequency_offset": {"min": -300, "max": 300},
  "mixing_frequency": {"min": 0, "max": 1000}, "timing_error": {"min": -0.5, "max": 0.5},
  "classes": [{"label": "QAM64", "modulation": "qam", "order": 64},
              {"label": "APSK16", "modulation": "apsk", "order": 16, "apsk_radii": "0.6 1.4"},
              {"label": "MSK", "modulation": "msk", "symbol_rate": 6000, "data_source": "prn7"}]})";

double field(const std::vector<std::string>& names, const CaptureRecord& c, const char* name) {
    return c.settings[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin())];
}

TEST(CaptureSettings, RecordedLabelsSettingsAndSnrsAgreeWithTheSamples) {
    const RecipeReading reading = readDatasetRecipe(kRecipe);
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRecipe& recipe = *reading.recipe;
    const TempDir dir;
    ASSERT_EQ(runDataset(recipe, dir.str(), {}).failure, "");
    Hdf5ShardReader file(dir.file("dataset.h5"));
    const std::vector<std::string> names = recordedFieldNames();
    CaptureRecord c;
    const double snrs[] = {-6, 3.5, 25};
    for (std::uint64_t i = 0; file.next(c); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(c.index, i);
        EXPECT_EQ(c.classIndex, i / 9);
        EXPECT_EQ(c.snrDb, snrs[i / 3 % 3]);
        // The recorded settings, with no noise, through quorvel-cli's engine: file K of a run seeded
        // like the capture (file K's key is capture K's) starts with the capture's clean samples.
        SignalParameters p = recipe.classes[c.classIndex].scheme;
        p.samplingRate = 48000;
        p.symbolRate = field(names, c, "symbol_rate");
        p.frequencyOffset = field(names, c, "frequency_offset");
        p.mixingFrequency = field(names, c, "mixing_frequency");
        p.timingError = field(names, c, "timing_error");
        p.dataSource = c.classIndex == 2 ? DataSource::Prn7Lfsr : DataSource::CurrentRandom;
        p.symbolCount = static_cast<std::int32_t>(field(names, c, "symbol_count"));
        p.snrDb = INFINITY;
        p.outputFormat = OutputFormat::Cf32;
        if (i == 0) {
            continue;  // files are numbered from 1
        }
        p.fileCount = static_cast<std::int32_t>(i);
        const TempDir scratch;
        const auto clean =
            SignalSynthesizer::seeded(static_cast<std::uint32_t>(recipe.seed)).regenerateFile(p, p.fileCount, scratch.str());
        ASSERT_GE(clean.signal.size(), 2048u) << clean.refusal;
        double signal = 0.0, noise = 0.0;
        for (std::size_t n = 0; n < 2048; ++n) {
            const ComplexSample s = clean.signal[n];
            signal += s.i * s.i + s.q * s.q;
            const double di = c.iq[2 * n] - s.i, dq = c.iq[2 * n + 1] - s.q;
            noise += di * di + dq * dq;
        }
        EXPECT_NEAR(field(names, c, "signal_power"), signal / 2048, kFloatTolerance);
        EXPECT_NEAR(10.0 * std::log10(signal / noise), c.snrDb, kSnrToleranceDb);
    }
}

}  // namespace
}  // namespace quorvel
