#include "export/SampleFileStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "export/CsvWriter.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;

constexpr std::size_t kChunk = SampleFileStream::kChunkSamples;

// A value that depends on the index, so that out-of-order chunks would show.
ComplexSample sampleAt(std::size_t n) {
    const double x = static_cast<double>(n);
    return {x * 0.001 - 3.0, 1.0 / (x + 0.5)};
}

struct StreamCase {
    std::size_t samples;
    unsigned workers;
    std::size_t producerStep;  // samples finished between two marks
};

class StreamedFiles : public testing::TestWithParam<StreamCase> {};

TEST_P(StreamedFiles, EqualTheTextOfTheFinishedBufferWhateverTheTiming) {
    const auto c = GetParam();
    TempDir dir;
    const auto path = dir.file("stream.csv");
    SampleBuffer samples(c.samples, ComplexSample{-99.0, -99.0});
    SampleBuffer expected(c.samples);
    for (std::size_t n = 0; n < c.samples; ++n) {
        expected[n] = sampleAt(n);
    }
    SampleFileStream stream(path, samples, c.workers);
    // The producer finishes the samples piece by piece while the workers already write.
    for (std::size_t begin = 0; begin < c.samples; begin += c.producerStep) {
        const std::size_t end = std::min(c.samples, begin + c.producerStep);
        for (std::size_t n = begin; n < end; ++n) {
            samples[n] = sampleAt(n);
        }
        stream.markReady(end);
        if (begin % (3 * c.producerStep) == 0) {
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(stream.finish(), std::nullopt);
    EXPECT_EQ(readBytes(path), formatSampleText(expected));
}

INSTANTIATE_TEST_SUITE_P(Table, StreamedFiles,
                         testing::Values(StreamCase{0, 1, 1}, StreamCase{1, 1, 1}, StreamCase{kChunk - 1, 1, 1000},
                                         StreamCase{kChunk, 0, 5000}, StreamCase{kChunk + 1, 3, 7},
                                         StreamCase{5 * kChunk + 7, 1, kChunk / 3},
                                         StreamCase{5 * kChunk + 7, 3, 2 * kChunk + 1},
                                         StreamCase{9 * kChunk, 2, 9 * kChunk}));

TEST(SampleFileStream, FileThatCannotBeCreatedReportsWhy) {
    TempDir dir;
    const SampleBuffer samples(10);
    SampleFileStream stream(dir.file("missing/x.csv"), samples, 2);
    stream.markReady(5);
    EXPECT_EQ(stream.finish(), std::optional<std::string>("No such file or directory"));
}

TEST(SampleFileStream, DiskFullStopsEveryWorkerAndIsReported) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    const SampleBuffer samples(20 * kChunk, ComplexSample{0.5, -0.25});
    SampleFileStream stream("/dev/full", samples, 3);
    EXPECT_EQ(stream.finish(), std::optional<std::string>("No space left on device"));
}

TEST(SampleFileStream, DroppingAnUnfinishedStreamStillCompletesTheFile) {
    TempDir dir;
    const SampleBuffer samples(3 * kChunk, ComplexSample{1.0, 2.0});
    {
        SampleFileStream stream(dir.file("dropped.csv"), samples, 2);
        stream.markReady(kChunk);
    }
    EXPECT_EQ(readBytes(dir.file("dropped.csv")), formatSampleText(samples));
}

}  // namespace
}  // namespace quorvel
