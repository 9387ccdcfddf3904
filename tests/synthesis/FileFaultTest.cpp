// Runs whose files cannot all be written: every failed file is named with its reason, every other
// file is complete and byte for byte what an undisturbed run writes, and no failed file is
// reported as written.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "export/CsvWriter.h"
#include "support/ChildProcess.h"
#include "support/FileFaultCases.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

using testing_support::sameBytes;

using namespace testing_support;

constexpr std::uint32_t kFileFaultSeed = 4242;
constexpr std::int32_t kFileFaultSymbols = 3000;  // 30 000 samples: two write pieces per file

SignalParameters fileFaultFaultRun(const std::string& savePath, std::int32_t fileCount) {
    SignalParameters p;
    p.symbolCount = kFileFaultSymbols;
    p.fileCount = fileCount;
    p.savePath = savePath;
    p.mixingFrequency = 125.0;
    return p;
}

// What a run reported, in a form that crosses a process boundary.
struct Outcome {
    bool refused = false;
    std::vector<std::string> written;
    std::vector<FileWriteFailure> failures;
    std::string signalText;  // the final signal as file text
};

// Length-prefixed fields: paths may hold any byte but NUL.
void put(std::ostream& out, const std::string& field) {
    out << field.size() << ':' << field;
}

std::string take(std::istream& in) {
    std::size_t size = 0;
    char colon = 0;
    in >> size >> colon;
    std::string field(size, '\0');
    in.read(field.data(), static_cast<std::streamsize>(size));
    return field;
}

std::string fileFaultEncode(const GenerationResult& result) {
    std::ostringstream out;
    put(out, result.refused() ? "1" : "0");
    put(out, std::to_string(result.writtenFiles.size()));
    for (const auto& path : result.writtenFiles) {
        put(out, path);
    }
    put(out, std::to_string(result.fileFailures.size()));
    for (const auto& failure : result.fileFailures) {
        put(out, failure.path);
        put(out, failure.reason);
    }
    put(out, formatSampleText(result.signal));
    return out.str();
}

Outcome decode(const std::string& text) {
    std::istringstream in(text);
    Outcome outcome;
    outcome.refused = take(in) == "1";
    for (auto n = std::stoul(take(in)); n > 0; --n) {
        outcome.written.push_back(take(in));
    }
    for (auto n = std::stoul(take(in)); n > 0; --n) {
        const std::string path = take(in);
        outcome.failures.push_back({path, take(in)});
    }
    outcome.signalText = take(in);
    return outcome;
}

class FileFaults : public testing::TestWithParam<FileFaultCase> {};

TEST_P(FileFaults, FailedFilesAreNamedAndTheOthersAreComplete) {
    const FileFaultCase& c = GetParam();
    TempDir clean;
    const auto reference = SignalSynthesizer(seededSequence(kFileFaultSeed)).generateSignal(fileFaultFaultRun(clean.str(), c.fileCount));
    ASSERT_EQ(reference.writtenFiles.size(), static_cast<std::size_t>(c.fileCount));

    TempDir dir;
    const std::string savePath = c.prepare(dir);
    const ChildLimits limits{c.needsUnprivilegedUser, c.fileSizeLimitBytes, std::nullopt};
    const auto child = runInChild(
        limits,
        [&] { return fileFaultEncode(SignalSynthesizer(seededSequence(kFileFaultSeed)).generateSignal(fileFaultFaultRun(savePath, c.fileCount))); },
        c.needsUnprivilegedUser ? std::optional(lockedFolder(dir)) : std::nullopt);
    if (!child.error.empty()) {
        GTEST_SKIP() << "this machine cannot stage the fault: " << child.error;
    }
    const Outcome outcome = decode(child.text);

    EXPECT_FALSE(outcome.refused);
    // A run ended early has no last file to show; any other keeps the signal it would have made.
    EXPECT_TRUE(
        sameBytes(outcome.signalText,
                  formatSampleText(c.lastAttempted != 0 ? SampleBuffer{} : reference.signal)))
        << "file faults must not change the signal";

    std::vector<FileWriteFailure> expectedFailures;
    std::vector<std::string> expectedWritten;
    for (std::int32_t k = 1; k <= c.fileCount; ++k) {
        const auto failure = std::find_if(c.failures.begin(), c.failures.end(),
                                          [k](const ExpectedFailure& f) { return f.fileNumber == k; });
        if (failure != c.failures.end()) {
            expectedFailures.push_back({samplePath(savePath, k), failure->reason});
        } else if (c.attempted(k)) {
            expectedWritten.push_back(samplePath(savePath, k));
        }
    }
    ASSERT_EQ(outcome.failures.size(), expectedFailures.size());
    for (std::size_t n = 0; n < expectedFailures.size(); ++n) {
        EXPECT_EQ(outcome.failures[n].path, expectedFailures[n].path);
        EXPECT_EQ(outcome.failures[n].reason, expectedFailures[n].reason) << outcome.failures[n].path;
    }
    EXPECT_EQ(outcome.written, expectedWritten);

    for (std::int32_t k = 1; k <= c.fileCount; ++k) {
        const std::string path = samplePath(savePath, k);
        const std::string expected = readBytes(reference.writtenFiles[static_cast<std::size_t>(k - 1)]);
        const bool failed = std::find(expectedWritten.begin(), expectedWritten.end(), path) == expectedWritten.end();
        if (!failed) {
            EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), kFileFaultSymbols * 10 + 1);
            EXPECT_TRUE(readBytes(path) == expected) << path << " differs from the undisturbed run's file";
        } else {
            // A file that failed leaves nothing under its name, not even its beginning.
            EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path))) << path;
        }
    }
    if (std::filesystem::is_directory(savePath)) {
        for (const auto& entry : std::filesystem::directory_iterator(savePath)) {
            EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary file left: " << entry.path();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FileFaults, testing::ValuesIn(fileFaultCases()),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(FileFaults, PrepareLeavesWhatItFoundUntouched) {
    // The faults themselves survive the run: a folder in a file's place stays empty, the save
    // path that is a file keeps its content.
    TempDir dir;
    std::filesystem::create_directory(dir.path() / fileName(1));
    std::ofstream(dir.file("plain")) << "keep me";
    SignalSynthesizer(seededSequence(kFileFaultSeed)).generateSignal(fileFaultFaultRun(dir.str(), 2));
    SignalSynthesizer(seededSequence(kFileFaultSeed)).generateSignal(fileFaultFaultRun(dir.file("plain"), 1));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / fileName(1)));
    EXPECT_TRUE(sameBytes(readBytes(dir.file("plain")), "keep me"));
}

}  // namespace
}  // namespace quorvel
