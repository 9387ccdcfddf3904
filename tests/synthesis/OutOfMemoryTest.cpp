// Memory that runs out in the middle of a run: the files made before stay whole with their
// metadata, the one being made leaves nothing, and the run ends there. Nothing of it reaches
// the first file: the run is refused.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <system_error>

#include "export/CsvSink.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "support/WholeFileChecks.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace testing_support;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOutOfMemorySanitized = true;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kOutOfMemorySanitized = false;
#endif

const std::string kNoMemory = std::generic_category().message(ENOMEM);

// The fields of a result the tests look at, one per line, so that they cross a process boundary.
std::string outOfMemoryEncode(const GenerationResult& r) {
    std::ostringstream out;
    out << "refusal " << r.refusal << '\n' << "stopped " << r.stoppedByMemory << '\n';
    for (const auto& path : r.writtenFiles) {
        out << "written " << path << '\n';
    }
    for (const auto& path : r.metadataFiles) {
        out << "metadata " << path << '\n';
    }
    for (const auto& failure : r.fileFailures) {
        out << "failed " << failure.path << ": " << failure.reason << '\n';
    }
    return out.str();
}

// Virtual memory the process has mapped now [bytes].
std::uint64_t mappedBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        unsigned long long kib = 0;
        if (std::sscanf(line.c_str(), "VmSize: %llu kB", &kib) == 1) {
            return kib * 1024;
        }
    }
    return 0;
}

// The desktop keeps the last file of a run whole for its viewer. Under an address-space limit
// with room for streaming a file but not for keeping 2^23 samples, the files before the last
// are made and the last one cannot be: a real allocation failure, at a known file.
TEST(OutOfMemory, ARealLimitEndsTheRunAtTheFileItCannotHold) {
    if (kOutOfMemorySanitized) {
        GTEST_SKIP() << "a sanitized process cannot run under an address-space limit";
    }
    constexpr std::uint64_t kRoom = std::uint64_t{64} << 20;  // far below the kept file's 128 MiB
    const struct {
        std::int32_t files;
        const char* expected;
    } cases[] = {
        {1, "refusal The run could not get the memory it needs: Cannot allocate memory\nstopped 0\n"},
        {3, "refusal \nstopped 1\n"
            "written F/modulated_signal_1.sigmf-data\nwritten F/modulated_signal_2.sigmf-data\n"
            "metadata F/modulated_signal_1.sigmf-meta\nmetadata F/modulated_signal_2.sigmf-meta\n"
            "failed F/modulated_signal_3.sigmf-data: Cannot allocate memory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files);
        TempDir dir;
        SignalParameters p;
        p.symbolCount = (1 << 23) / 10;
        p.snrDb = std::numeric_limits<double>::infinity();
        p.outputFormat = OutputFormat::Cf32;
        p.fileCount = c.files;
        p.savePath = dir.str();
        const auto child = runInChild({}, [&] {
            auto synthesizer = SignalSynthesizer::seeded(7);
            // The check would refuse the run up front; here the system promised more than it has.
            synthesizer.setMemoryLimit(std::uint64_t{1} << 40);
            const rlim_t limit = mappedBytes() + kRoom;
            const rlimit room{limit, limit};
            if (::setrlimit(RLIMIT_AS, &room) != 0) {
                return std::string("cannot limit the address space");
            }
            return outOfMemoryEncode(synthesizer.generateSignal(p));
        });
        ASSERT_EQ(child.error, "");
        std::string expected = c.expected;
        for (std::size_t at; (at = expected.find(" F/")) != std::string::npos;) {
            expected.replace(at + 1, 1, dir.str());
        }
        EXPECT_EQ(child.text, expected);
        EXPECT_EQ(wholeFileProblems(dir.path()), std::vector<std::string>{});
        EXPECT_EQ(fileNamesIn(dir.path()).size(), 2u * static_cast<std::size_t>(c.files - 1));
    }
}

// A stream whose writer runs out of memory at the first block of one file, on the thread that
// hands the blocks over, where an exception would end the program.
class StarvedStream final : public SampleSink {
public:
    StarvedStream(std::uint64_t failsAtSample) : failsAt_(failsAtSample) {}
    const std::string& name() const override { return name_; }
    void write(std::span<const ComplexSample> block) override {
        if (received_ == failsAt_) {
            throw std::bad_alloc();
        }
        received_ += block.size();
    }
    int error() const override { return 0; }
    std::optional<std::string> finish(bool) override { return std::nullopt; }
    std::uint64_t received() const { return received_; }

private:
    std::uint64_t failsAt_;
    std::uint64_t received_ = 0;
    std::string name_ = "the stream";
};

// A stream has shown its samples to a reader before it fails, so it is never refused: the
// failure is the stream's, and the metadata of a file before it stays.
TEST(OutOfMemory, AStreamThatRunsOutFailsAndKeepsTheMetadataBeforeIt) {
    for (const std::int32_t failingFile : {1, 2}) {
        SCOPED_TRACE(failingFile);
        TempDir dir;
        SignalParameters p;
        p.symbolCount = 20000;
        p.fileCount = 2;
        p.outputFormat = OutputFormat::Cf32;
        const std::uint64_t perFile = 200000;
        StarvedStream stream(perFile * static_cast<std::uint64_t>(failingFile - 1));
        RunOptions options;
        options.keepLastSignal = false;
        options.sampleStream = &stream;
        options.metadataPath = dir.file("recipe.sigmf-meta");
        const auto result = SignalSynthesizer::seeded(7).generateSignal(p, options);
        EXPECT_EQ(result.refusal, "");
        EXPECT_TRUE(result.stoppedByMemory);
        ASSERT_EQ(result.fileFailures.size(), 1u);
        EXPECT_EQ(result.fileFailures[0].path, "the stream");
        EXPECT_EQ(result.fileFailures[0].reason, kNoMemory);
        EXPECT_EQ(stream.received(), perFile * static_cast<std::uint64_t>(failingFile - 1));
        EXPECT_EQ(result.metadataFiles.size(), static_cast<std::size_t>(failingFile - 1));
        EXPECT_EQ(fs::exists(dir.file("recipe.sigmf-meta")), failingFile == 2);
    }
}

// A CSV sink that cannot start all its formatting threads stops the ones it started and throws,
// leaving no temporary file; a thread left running would end the program instead.
TEST(OutOfMemory, ACsvSinkThatCannotStartItsThreadsLeavesNothing) {
    TempDir dir;
    const fs::path folder = dir.path() / "open";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    // The child and two threads; the third worker cannot start, though the budget grants four.
    const auto child = runInChild({true, std::nullopt, 3}, [&] {
        setenv("QUORVEL_THREADS", "8", 1);
        try {
            CsvSink sink(ByteOutput::createFile((folder / "samples.csv").string()), 4);
        } catch (const std::system_error& e) {
            return e.code().message();
        }
        return std::string("all four threads started");
    });
    ASSERT_EQ(child.error, "");
    EXPECT_EQ(child.text, std::generic_category().message(EAGAIN));
    EXPECT_EQ(fileNamesIn(folder), std::vector<std::string>{});
}

}  // namespace
}  // namespace quorvel
