#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "export/Cf32Sink.h"
#include "export/Cf32Writer.h"
#include "export/CsvSink.h"
#include "export/CsvWriter.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

constexpr std::size_t kPiece = CsvSink::kPieceSamples;

// A value that depends on the index, so that pieces written out of order would show.
SampleBuffer rampOf(std::size_t count) {
    SampleBuffer samples(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double x = static_cast<double>(n);
        samples[n] = {x * 0.001 - 3.0, 1.0 / (x + 0.5)};
    }
    return samples;
}

// The file bytes of samples as each format defines them, written independently of the sinks.
std::string expectedBytes(bool csv, const SampleBuffer& samples) {
    if (csv) {
        return formatSampleText(samples);
    }
    std::string bytes(samples.size() * kCf32BytesPerSample, '\0');
    encodeCf32(samples, reinterpret_cast<std::byte*>(bytes.data()));
    return bytes;
}

std::unique_ptr<SampleSink> sinkFor(bool csv, const std::string& path, unsigned workers) {
    if (csv) {
        return std::make_unique<CsvSink>(ByteOutput::createFile(path), workers);
    }
    return std::make_unique<Cf32Sink>(ByteOutput::createFile(path));
}

struct BlockCase {
    std::size_t samples;
    std::size_t block;  // samples per write
    unsigned workers;
};

class SinkBlocks : public testing::TestWithParam<BlockCase> {};

// Whatever the blocks and the threads, the file is the text or bytes of the whole signal.
TEST_P(SinkBlocks, GiveTheFileOfTheWholeSignal) {
    const auto c = GetParam();
    const SampleBuffer samples = rampOf(c.samples);
    for (const bool csv : {true, false}) {
        TempDir dir;
        const auto path = dir.file("out");
        auto sink = sinkFor(csv, path, c.workers);
        for (std::size_t begin = 0; begin < samples.size(); begin += c.block) {
            sink->write(std::span(samples).subspan(begin, std::min(c.block, samples.size() - begin)));
        }
        EXPECT_EQ(sink->finish(true), std::nullopt);
        EXPECT_TRUE(sameBytes(readBytes(path), expectedBytes(csv, samples)))
            << (csv ? "csv" : "cf32");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SinkBlocks,
                         testing::Values(BlockCase{0, 1, 1}, BlockCase{1, 1, 0}, BlockCase{kPiece - 1, 1000, 1},
                                         BlockCase{kPiece + 1, 7, 3}, BlockCase{5 * kPiece + 7, kPiece / 3, 1},
                                         BlockCase{20 * kPiece + 3, 2 * kPiece + 1, 3},
                                         BlockCase{9 * kPiece, 9 * kPiece, 2}));

TEST(SampleSink, FailuresAreReportedWithTheSystemsReason) {
    TempDir dir;
    const SampleBuffer samples(20 * kPiece, ComplexSample{0.5, -0.25});
    for (const bool csv : {true, false}) {
        auto missing = sinkFor(csv, dir.file("missing/x"), 2);
        missing->write(samples);
        EXPECT_EQ(missing->error(), ENOENT);
        EXPECT_EQ(missing->finish(true), std::optional<std::string>("No such file or directory"));
        // Through a descriptor: by name, the file would be replaced, not written.
        const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            std::unique_ptr<SampleSink> full;
            if (csv) {
                full = std::make_unique<CsvSink>(ByteOutput::toDescriptor(fd, "full"), 3);
            } else {
                full = std::make_unique<Cf32Sink>(ByteOutput::toDescriptor(fd, "full"));
            }
            full->write(samples);
            EXPECT_EQ(full->error(), ENOSPC);
            EXPECT_EQ(full->finish(true), std::optional<std::string>("No space left on device"));
            ::close(fd);
        }
    }
}

// A file the run could not finish (cancelled, say) must not be left looking like a recording.
TEST(SampleSink, IncompleteFilesAreRemoved) {
    TempDir dir;
    for (const bool csv : {true, false}) {
        const auto path = dir.file(csv ? "a.csv" : "a.sigmf-data");
        auto sink = sinkFor(csv, path, 2);
        sink->write(rampOf(3 * kPiece));
        EXPECT_EQ(sink->finish(false), std::nullopt);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
}  // namespace quorvel
