#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "export/SampleSink.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

constexpr std::uint32_t kRunOptionsSeed = 77;

std::vector<std::string> runOptionsNamesIn(const TempDir& dir) {
    return testing_support::fileNamesIn(dir.path());
}

// Progress only moves forward and ends at the total, in both passes and for a regeneration.
TEST(RunOptions, ProgressRisesToTheTotal) {
    for (const bool keep : {true, false}) {
        TempDir dir;
        SignalParameters p;
        p.symbolCount = 20000;
        p.fileCount = 2;
        p.savePath = dir.str();
        std::vector<RunProgress> seen;
        RunOptions options;
        options.keepLastSignal = keep;
        options.progress = [&](const RunProgress& progress) { seen.push_back(progress); };
        const auto result = SignalSynthesizer::seeded(kRunOptionsSeed).generateSignal(p, options);
        ASSERT_FALSE(seen.empty());
        for (std::size_t n = 1; n < seen.size(); ++n) {
            EXPECT_GE(seen[n].samplesDone, seen[n - 1].samplesDone);
        }
        EXPECT_EQ(seen.back().samplesTotal, 2 * result.samplesPerFile);
        EXPECT_EQ(seen.back().samplesDone, seen.back().samplesTotal) << keep;
    }
}

// Cancelled once file 1 is done (its end is always reported): file 1 stays whole with its metadata, nothing of file 2 or 3 is left.
TEST(RunOptions, CancelKeepsTheFinishedFilesAndRemovesTheUnfinishedOne) {
    for (const bool keep : {true, false}) {
        TempDir dir;
        TempDir reference;
        SignalParameters p;
        p.symbolCount = 30000;
        p.fileCount = 3;
        p.outputFormat = OutputFormat::Both;
        p.savePath = reference.str();
        SignalSynthesizer::seeded(kRunOptionsSeed).generateSignal(p);
        p.savePath = dir.str();
        std::atomic<bool> cancel{false};
        RunOptions options;
        options.keepLastSignal = keep;
        options.cancel = &cancel;
        options.progress = [&](const RunProgress& progress) {
            if (progress.samplesDone >= progress.samplesTotal / 3) {
                cancel = true;
            }
        };
        const auto result = SignalSynthesizer::seeded(kRunOptionsSeed).generateSignal(p, options);
        EXPECT_TRUE(result.cancelled);
        EXPECT_TRUE(result.signal.empty());
        const std::vector<std::string> expected = {"modulated_signal_1.csv", "modulated_signal_1.sigmf-data",
                                                   "modulated_signal_1.sigmf-meta"};
        EXPECT_EQ(runOptionsNamesIn(dir), expected);
        EXPECT_TRUE(
            sameBytes(readBytes(dir.file(expected[1])), readBytes(reference.file(expected[1]))));
        EXPECT_EQ(result.writtenFiles.size(), 2u);
    }
}

// A sample stream that fails (a closed pipe) ends the run at once and is reported by its name.
TEST(RunOptions, AFailingStreamEndsTheRun) {
    struct ClosedPipe final : SampleSink {
        const std::string& name() const override { return label; }
        void write(std::span<const ComplexSample> block) override { written += block.size(); }
        int error() const override { return written > 0 ? EPIPE : 0; }
        std::optional<std::string> finish(bool) override { return "Broken pipe"; }
        std::string label = "standard output";
        std::size_t written = 0;
    } pipe;
    TempDir dir;
    SignalParameters p;
    p.symbolCount = 1000000;
    p.savePath = dir.str();
    RunOptions options;
    options.keepLastSignal = false;
    options.sampleStream = &pipe;
    const auto result = SignalSynthesizer::seeded(kRunOptionsSeed).generateSignal(p, options);
    EXPECT_TRUE(result.streamFailed);
    EXPECT_EQ(pipe.written, 65536u);
    ASSERT_EQ(result.fileFailures.size(), 1u);
    EXPECT_EQ(result.fileFailures[0].path, "standard output");
    EXPECT_TRUE(runOptionsNamesIn(dir).empty());
}

}  // namespace
}  // namespace quorvel
