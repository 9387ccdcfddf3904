// The files of a run in each output format, the metadata beside them, and making a seeded file
// again from its metadata alone.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "export/SigmfRecordReader.h"
#include "support/RecordingFiles.h"
#include "support/SameBytes.h"
#include "support/SigmfChecks.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

using nlohmann::json;
using testing_support::readBytes;
using testing_support::readCf32Values;
using testing_support::readCsvValues;
using testing_support::sameBytes;
using testing_support::sigmfViolations;
using testing_support::TempDir;

constexpr std::uint32_t kRecordingSeed = 4711;

std::set<std::string> recordingNamesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

SignalParameters recordingSmallRun(const TempDir& dir, OutputFormat format) {
    SignalParameters p;
    p.symbolCount = 300;
    p.savePath = dir.str();
    p.outputFormat = format;
    return p;
}

struct RecordingFormatCase {
    OutputFormat format;
    std::set<std::string> files;
};

TEST(Recording, EachFormatWritesItsFilesAndOneValidMetadataFilePerFileNumber) {
    const RecordingFormatCase cases[] = {
        {OutputFormat::Csv,
         {"modulated_signal_1.csv", "modulated_signal_1.sigmf-meta", "modulated_signal_2.csv",
          "modulated_signal_2.sigmf-meta"}},
        {OutputFormat::Cf32,
         {"modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta", "modulated_signal_2.sigmf-data",
          "modulated_signal_2.sigmf-meta"}},
        {OutputFormat::Both,
         {"modulated_signal_1.csv", "modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta",
          "modulated_signal_2.csv", "modulated_signal_2.sigmf-data", "modulated_signal_2.sigmf-meta"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        TempDir dir;
        SignalParameters p = recordingSmallRun(dir, c.format);
        p.fileCount = 2;
        const auto result = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
        ASSERT_TRUE(result.fileFailures.empty());
        EXPECT_EQ(recordingNamesIn(dir), c.files);
        EXPECT_EQ(result.writtenFiles.size() + result.metadataFiles.size(), c.files.size());
        ASSERT_EQ(result.metadataFiles.size(), 2u);
        for (int k = 1; k <= 2; ++k) {
            const std::string text = readBytes(dir.file("modulated_signal_" + std::to_string(k) + ".sigmf-meta"));
            EXPECT_TRUE(sigmfViolations(text).empty()) << testing::PrintToString(sigmfViolations(text));
            const json meta = json::parse(text);
            EXPECT_EQ(meta["global"]["quorvel:file_number"], k);
            EXPECT_EQ(meta["annotations"][0]["core:sample_count"], result.signal.size());
        }
        if (writesSigmfData(c.format)) {
            // A SigMF reader sizes the recording from the data file: 8 bytes per cf32_le sample.
            EXPECT_EQ(std::filesystem::file_size(dir.file("modulated_signal_2.sigmf-data")), result.signal.size() * 8);
        }
    }
}

TEST(Recording, Cf32FilesHoldTheCsvValuesToFloatPrecision) {
    TempDir dir;
    SignalParameters p = recordingSmallRun(dir, OutputFormat::Both);
    p.modulationType = ModulationType::Qam;
    p.pskOrder = 0;
    p.qamOrder = 64;
    p.fileCount = 2;
    p.snrDb = 10.0;
    p.mixingFrequency = 700.0;
    const auto result = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
    for (int k = 1; k <= 2; ++k) {
        SCOPED_TRACE(k);
        const auto stem = dir.file("modulated_signal_" + std::to_string(k));
        const auto binary = readCf32Values(stem + ".sigmf-data");
        const auto text = readCsvValues(stem + ".csv");
        ASSERT_EQ(binary.size(), text.size());
        ASSERT_EQ(binary.size(), 2 * result.signal.size());
        for (std::size_t n = 0; n < text.size(); ++n) {
            // The CSV keeps 6 significant digits, so it is within half a unit of the 6th digit.
            ASSERT_NEAR(binary[n], text[n], 5e-6 * std::abs(text[n]) + 1e-300) << n;
        }
    }
    // The last file's values are exactly the returned samples rounded to float.
    const auto last = readCf32Values(dir.file("modulated_signal_2.sigmf-data"));
    for (std::size_t n = 0; n < result.signal.size(); ++n) {
        ASSERT_EQ(last[2 * n], static_cast<float>(result.signal[n].i));
        ASSERT_EQ(last[2 * n + 1], static_cast<float>(result.signal[n].q));
    }
}

TEST(Recording, CsvFilesAreTheSameWhateverElseIsWritten) {
    TempDir csvOnly;
    TempDir both;
    SignalSynthesizer::seeded(kRecordingSeed).generateSignal(recordingSmallRun(csvOnly, OutputFormat::Csv));
    SignalSynthesizer::seeded(kRecordingSeed).generateSignal(recordingSmallRun(both, OutputFormat::Both));
    EXPECT_TRUE(sameBytes(readBytes(csvOnly.file("modulated_signal_1.csv")),
                          readBytes(both.file("modulated_signal_1.csv"))));
}

double recordingMeanPowerOf(const SampleBuffer& samples) {
    double sum = 0.0;
    for (const auto& s : samples) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum / static_cast<double>(samples.size());
}

TEST(Recording, MetadataRecordsTheMeasuredPowerAndTheSnrItHolds) {
    TempDir clean;
    TempDir noisy;
    SignalParameters p = recordingSmallRun(clean, OutputFormat::Csv);
    p.symbolCount = 2000;
    p.timingError = 0.3;
    p.snrDb = std::numeric_limits<double>::infinity();
    const auto noiseless = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
    p.savePath = noisy.str();
    p.snrDb = 6.0;
    const auto withNoise = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);

    const auto global = [](const TempDir& dir) {
        return json::parse(readBytes(dir.file("modulated_signal_1.sigmf-meta")))["global"];
    };
    const double power = recordingMeanPowerOf(noiseless.signal);
    EXPECT_DOUBLE_EQ(global(clean)["quorvel:signal_power"].get<double>(), power);
    EXPECT_TRUE(global(clean)["quorvel:snr_db"].is_null());
    // Same seed, same symbols: the noise is the difference, its power the recorded one over the SNR.
    EXPECT_DOUBLE_EQ(global(noisy)["quorvel:signal_power"].get<double>(), power);
    EXPECT_EQ(global(noisy)["quorvel:snr_db"], 6.0);
    double noisePower = 0.0;
    for (std::size_t n = 0; n < noiseless.signal.size(); ++n) {
        const double di = withNoise.signal[n].i - noiseless.signal[n].i;
        const double dq = withNoise.signal[n].q - noiseless.signal[n].q;
        noisePower += di * di + dq * dq;
    }
    noisePower /= static_cast<double>(noiseless.signal.size());
    EXPECT_NEAR(10.0 * std::log10(power / noisePower), 6.0, 0.2);  // 20000 samples: about 0.03 dB spread
}

TEST(Recording, TheSeedIsRecordedOnlyWhenTheRunHadOne) {
    TempDir seeded;
    TempDir unseeded;
    SignalSynthesizer::seeded(123).generateSignal(recordingSmallRun(seeded, OutputFormat::Csv));
    SignalSynthesizer(seededSequence(123)).generateSignal(recordingSmallRun(unseeded, OutputFormat::Csv));
    const auto seedOf = [](const TempDir& dir) {
        return readRecordingRecordFile(dir.file("modulated_signal_1.sigmf-meta")).record->seed;
    };
    EXPECT_EQ(seedOf(seeded), 123u);
    EXPECT_EQ(seedOf(unseeded), std::nullopt);
}

TEST(Recording, FailedFilesAreReportedAndGetNoMetadata) {
    TempDir dir;
    SignalParameters p = recordingSmallRun(dir, OutputFormat::Both);
    // Folders under the files' names: each file is made, and cannot take its name.
    std::filesystem::create_directory(dir.file("modulated_signal_1.csv"));
    std::filesystem::create_directory(dir.file("modulated_signal_1.sigmf-data"));
    const auto result = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
    ASSERT_EQ(result.fileFailures.size(), 2u);
    EXPECT_EQ(result.fileFailures[0].path, p.savePath + "/modulated_signal_1.csv");
    EXPECT_EQ(result.fileFailures[1].path, p.savePath + "/modulated_signal_1.sigmf-data");
    EXPECT_EQ(result.fileFailures[1].reason, "Is a directory");
    EXPECT_TRUE(result.writtenFiles.empty());
    EXPECT_TRUE(result.metadataFiles.empty());
}

// A folder that is not there is found before the first sample is made.
TEST(Recording, AMissingFolderIsRefusedBeforeTheRun) {
    TempDir dir;
    SignalParameters p = recordingSmallRun(dir, OutputFormat::Both);
    p.savePath = dir.file("missing");
    const auto result = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
    EXPECT_TRUE(result.folderMissing);
    EXPECT_EQ(result.refusal, "The folder " + p.savePath + " does not exist.");
    EXPECT_TRUE(result.fileFailures.empty());
}

// A folder in the place of one file makes just that file fail; the others are still written, and
// the metadata is written whenever a sample file of its number was.
TEST(Recording, EachFileFailsOnItsOwn) {
    struct Case {
        const char* blocked;
        std::vector<std::string> written;
        std::vector<std::string> metadata;
    };
    const Case cases[] = {
        {"modulated_signal_1.csv", {"modulated_signal_1.sigmf-data"}, {"modulated_signal_1.sigmf-meta"}},
        {"modulated_signal_1.sigmf-data", {"modulated_signal_1.csv"}, {"modulated_signal_1.sigmf-meta"}},
        {"modulated_signal_1.sigmf-meta", {"modulated_signal_1.csv", "modulated_signal_1.sigmf-data"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocked);
        TempDir dir;
        std::filesystem::create_directory(dir.file(c.blocked));
        const auto result = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(recordingSmallRun(dir, OutputFormat::Both));
        ASSERT_EQ(result.fileFailures.size(), 1u);
        EXPECT_EQ(result.fileFailures[0].path, dir.file(c.blocked));
        EXPECT_EQ(result.fileFailures[0].reason, "Is a directory");
        std::vector<std::string> written;
        for (const auto& path : result.writtenFiles) {
            written.push_back(std::filesystem::path(path).filename().string());
        }
        EXPECT_EQ(written, c.written);
        EXPECT_EQ(result.metadataFiles.size(), c.metadata.size());
    }
}

struct RegenerationCase {
    const char* name;
    std::int32_t fileNumber;
    void (*change)(SignalParameters&);

    friend void PrintTo(const RegenerationCase& c, std::ostream* os) { *os << c.name; }
};

class Regeneration : public testing::TestWithParam<RegenerationCase> {};

// File k of a seeded run, made again from nothing but its metadata file, equals the original
// byte for byte: every sample file of its format and the metadata itself.
TEST_P(Regeneration, GivesByteIdenticalFiles) {
    TempDir original;
    TempDir again;
    SignalParameters p = recordingSmallRun(original, OutputFormat::Both);
    GetParam().change(p);
    const auto run = SignalSynthesizer::seeded(kRecordingSeed).generateSignal(p);
    ASSERT_FALSE(run.refused()) << run.refusal;
    const std::string stem = "modulated_signal_" + std::to_string(GetParam().fileNumber);

    const auto reading = readRecordingRecordFile(original.file(stem + ".sigmf-meta"));
    ASSERT_TRUE(reading) << reading.problem;
    const auto& record = *reading.record;
    ASSERT_TRUE(record.seed);
    const auto result =
        SignalSynthesizer::seeded(*record.seed).regenerateFile(record.parameters, record.fileNumber, again.str());
    ASSERT_FALSE(result.refused()) << result.refusal;
    EXPECT_TRUE(result.fileFailures.empty());

    std::set<std::string> expected{stem + ".sigmf-meta"};
    for (const auto& name : sampleFileNames(p.outputFormat, GetParam().fileNumber)) {
        expected.insert(name);
    }
    ASSERT_EQ(recordingNamesIn(again), expected);
    for (const auto& name : expected) {
        // Not EXPECT_EQ: a diff of whole files would drown the report.
        EXPECT_TRUE(sameBytes(readBytes(again.file(name)), readBytes(original.file(name)))) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Regeneration,
    testing::Values(
        RegenerationCase{"FirstOfOne", 1, [](SignalParameters&) {}},
        RegenerationCase{"ThirdOfThreeWithNoise", 3, [](SignalParameters& p) { p.fileCount = 3; }},
        RegenerationCase{"SecondOfFourTimingErrorAndNoise", 2,
                         [](SignalParameters& p) {
                             p.fileCount = 4;
                             p.timingError = -0.35;
                             p.snrDb = 3.0;
                         }},
        RegenerationCase{"ThirdOfThreePrnSourceQam", 3,
                         [](SignalParameters& p) {
                             p.fileCount = 3;
                             p.dataSource = DataSource::Prn15Lfsr;
                             p.modulationType = ModulationType::Qam;
                             p.pskOrder = 0;
                             p.qamOrder = 16;
                         }},
        RegenerationCase{"ThirdOfThreeNoNoiseGmskCf32", 3,
                         [](SignalParameters& p) {
                             p.fileCount = 3;
                             p.modulationType = ModulationType::Gmsk;
                             p.pskOrder = 0;
                             p.snrDb = std::numeric_limits<double>::infinity();
                             p.outputFormat = OutputFormat::Cf32;
                         }},
        RegenerationCase{"SecondOfTwoFskEveryImpairmentCsv", 2,
                         [](SignalParameters& p) {
                             p.fileCount = 2;
                             p.modulationType = ModulationType::Fsk;
                             p.pskOrder = 0;
                             p.fskOrder = 4;
                             p.mixingFrequency = -1200.5;
                             p.frequencyOffset = 33.3;
                             p.timingError = 0.9;
                             p.snrDb = 0.1;
                             p.outputFormat = OutputFormat::Csv;
                         }},
        RegenerationCase{"SecondOfThreeCounterDrawsOokAcrossBlocks", 2,
                         [](SignalParameters& p) {
                             p.fileCount = 3;
                             p.symbolCount = 5000;  // two blocks of indices, thirteen of noise
                             p.modulationType = ModulationType::Ook;
                             p.pskOrder = 0;
                             p.order = 2;
                             p.snrDb = 2.0;
                             p.counterDraws = true;
                         }},
        RegenerationCase{"FifthOfFiveApskLongFiles", 5,
                         [](SignalParameters& p) {
                             p.fileCount = 5;
                             p.symbolCount = 4000;  // several CSV pieces per file
                             p.modulationType = ModulationType::Apsk;
                             p.pskOrder = 0;
                             p.apskOrder = 16;
                             p.apskRadiiText = "0.5 1.1";
                         }}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Regeneration, FileNumbersOutsideTheRunAreRefused) {
    TempDir dir;
    SignalParameters p = recordingSmallRun(dir, OutputFormat::Csv);
    p.fileCount = 2;
    for (std::int32_t k : {0, 3, -1}) {
        const auto result = SignalSynthesizer::seeded(kRecordingSeed).regenerateFile(p, k, dir.str());
        EXPECT_TRUE(result.refused()) << k;
        EXPECT_NE(result.refusal.find("files 1 to 2"), std::string::npos) << result.refusal;
    }
    EXPECT_TRUE(recordingNamesIn(dir).empty());
}

}  // namespace
}  // namespace quorvel
