#include "export/CsvWriter.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;

namespace fs = std::filesystem;

// A fresh, empty folder per test, removed with everything in it afterwards.
class TempFolder {
  public:
    TempFolder() {
        static int counter = 0;
        path_ = fs::temp_directory_path() /
                ("quorvel-csv-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

std::string csvWriterReason(int error) {
    return std::generic_category().message(error);
}

// The independent reference: one snprintf per line.
std::string referenceText(const SampleBuffer& samples) {
    std::string text = "Real,Imaginary\r\n";
    char line[96];
    for (const auto& s : samples) {
        const int length = std::snprintf(line, sizeof line, "%.6g,%.6g\r\n", s.i, s.q);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

// Finite values of every magnitude and sign, so that line lengths vary.
SampleBuffer csvWriterRandomSamples(std::size_t count, unsigned seed) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> exponent(-310.0, 300.0);
    std::normal_distribution<double> gaussian;
    SampleBuffer samples(count);
    for (auto& s : samples) {
        s.i = gaussian(engine) * std::pow(10.0, exponent(engine));
        s.q = gaussian(engine);
    }
    return samples;
}

TEST(CsvWriter, FileNamesJoinTheSavePathLiterally) {
    const std::tuple<std::string, std::int32_t, std::string> cases[] = {
        {".", 1, "./modulated_signal_1.csv"},
        {"out/", 3, "out//modulated_signal_3.csv"},
        {"", 1, "/modulated_signal_1.csv"},
        {"/data/run 1", 2147483647, "/data/run 1/modulated_signal_2147483647.csv"},
        {"C:\\x", 2, "C:\\x/modulated_signal_2.csv"},
    };
    for (const auto& [savePath, k, expected] : cases) {
        EXPECT_EQ(sampleFilePath(savePath, k), expected);
    }
}

TEST(CsvWriter, FileNumbersHaveNoPadding) {
    std::vector<std::string> names;
    for (std::int32_t k = 1; k <= 12; ++k) {
        names.push_back(sampleFilePath("p", k));
    }
    const std::vector<std::string> expected = {
        "p/modulated_signal_1.csv",  "p/modulated_signal_2.csv",  "p/modulated_signal_3.csv",
        "p/modulated_signal_4.csv",  "p/modulated_signal_5.csv",  "p/modulated_signal_6.csv",
        "p/modulated_signal_7.csv",  "p/modulated_signal_8.csv",  "p/modulated_signal_9.csv",
        "p/modulated_signal_10.csv", "p/modulated_signal_11.csv", "p/modulated_signal_12.csv",
    };
    EXPECT_EQ(names, expected);
}

TEST(CsvWriter, TextHasAHeaderAndOneCrLfLinePerSample) {
    EXPECT_EQ(formatSampleText({{1.0, 0.0}, {-0.5, 0.25}}),
              "Real,Imaginary\r\n1,0\r\n-0.5,0.25\r\n");
    EXPECT_EQ(formatSampleText({}), "Real,Imaginary\r\n");
    EXPECT_EQ(formatSampleText({{1234567.0, -0.0}}), "Real,Imaginary\r\n1.23457e+06,-0\r\n");
}

TEST(CsvWriter, StreamedPiecesJoinToTheReferenceForAnyChunkSize) {
    const SampleBuffer samples = csvWriterRandomSamples(2000, 3);
    const std::string expected = referenceText(samples);
    for (const std::size_t chunkBytes : {0, 1, 35, 64, 1000, 4096, 1 << 20}) {
        std::string joined;
        std::size_t pieces = 0;
        const bool complete = streamSampleText(samples, chunkBytes, [&](std::string_view piece) {
            joined.append(piece);
            ++pieces;
            return true;
        });
        EXPECT_TRUE(complete);
        EXPECT_TRUE(sameBytes(joined, expected)) << chunkBytes;
        EXPECT_EQ(pieces > 1, chunkBytes < expected.size()) << chunkBytes;
    }
}

TEST(CsvWriter, ASinkCanStopTheStream) {
    int calls = 0;
    const bool complete = streamSampleText(csvWriterRandomSamples(1000, 4), 256, [&calls](std::string_view) {
        ++calls;
        return false;
    });
    EXPECT_FALSE(complete);
    EXPECT_EQ(calls, 1);
}

TEST(CsvWriter, WritesTheExactBytes) {
    const TempFolder folder;
    const std::pair<SampleBuffer, std::string> cases[] = {
        {{{1.0, 0.0}, {-0.5, 0.25}}, "Real,Imaginary\r\n1,0\r\n-0.5,0.25\r\n"},
        {{}, "Real,Imaginary\r\n"},
    };
    for (const auto& [samples, expected] : cases) {
        const std::string path = folder.file("out.csv");
        EXPECT_EQ(writeSampleFile(path, samples), std::nullopt);
        EXPECT_TRUE(sameBytes(readBytes(path), expected));
    }
}

TEST(CsvWriter, AnExistingFileIsTruncated) {
    const TempFolder folder;
    const std::string path = folder.file("old.csv");
    std::ofstream(path) << std::string(10000, 'x');
    EXPECT_EQ(writeSampleFile(path, {{0.5, -2.0}}), std::nullopt);
    EXPECT_TRUE(sameBytes(readBytes(path), "Real,Imaginary\r\n0.5,-2\r\n"));
}

// Restores the working folder when it goes out of scope.
class WorkingFolder {
  public:
    explicit WorkingFolder(const fs::path& path) : saved_(fs::current_path()) {
        fs::current_path(path);
    }
    ~WorkingFolder() { fs::current_path(saved_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    fs::path saved_;
};

TEST(CsvWriter, DotSavePathWritesIntoTheWorkingFolder) {
    const TempFolder folder;
    {
        const WorkingFolder inside(folder.path());
        EXPECT_EQ(writeSampleFile(sampleFilePath(".", 1), {{1.0, 1.0}}), std::nullopt);
    }
    EXPECT_TRUE(sameBytes(readBytes(folder.file("modulated_signal_1.csv")), "Real,Imaginary\r\n1,1\r\n"));
}

TEST(CsvWriter, FailuresToCreateTheFileAreReported) {
    const TempFolder folder;
    const std::string regularFile = folder.file("plain");
    std::ofstream(regularFile) << "x";
    const std::string missingFolder = folder.file("missing");
    const std::pair<std::string, int> cases[] = {
        {sampleFilePath(missingFolder, 1), ENOENT},
        {sampleFilePath(regularFile, 1), ENOTDIR},
        {folder.path().string(), EISDIR},
        {"", ENOENT},
        {"/proc/quorvel-no-such-entry.csv", ENOENT},
        // Cut at the NUL, this would name the file "cut" in the folder.
        {folder.file("cut") + std::string("\0/modulated_signal_1.csv", 24), EINVAL},
    };
    for (const auto& [path, error] : cases) {
        EXPECT_EQ(writeSampleFile(path, {{1.0, 0.0}}), csvWriterReason(error)) << path;
    }
    EXPECT_FALSE(fs::exists(missingFolder));
    EXPECT_FALSE(fs::exists(folder.file("cut")));
    EXPECT_TRUE(sameBytes(readBytes(regularFile), "x"));
}

TEST(CsvWriter, ALargeBufferSpanningSeveralChunksIsWrittenExactly) {
    const TempFolder folder;
    const SampleBuffer samples = csvWriterRandomSamples(600000, 6);
    const std::string expected = referenceText(samples);
    ASSERT_GT(expected.size(), 3 * kSampleTextChunkBytes);
    const std::string path = folder.file("large.csv");
    EXPECT_EQ(writeSampleFile(path, samples), std::nullopt);
    const std::string written = readBytes(path);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}

}  // namespace
}  // namespace quorvel
