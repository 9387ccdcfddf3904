#include "export/Cf32Writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "support/RecordingFiles.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::readCf32Values;
using testing_support::TempDir;

struct Cf32WriterEncodingCase {
    double value;
    std::vector<unsigned char> bytes;  // IEEE-754 single precision, little-endian
};

// Bit patterns worked out by hand from the IEEE-754 single-precision layout.
const Cf32WriterEncodingCase kEncodings[] = {
    {1.0, {0x00, 0x00, 0x80, 0x3F}},
    {-2.5, {0x00, 0x00, 0x20, 0xC0}},
    {0.0, {0x00, 0x00, 0x00, 0x00}},
    {-0.0, {0x00, 0x00, 0x00, 0x80}},
    {0.1, {0xCD, 0xCC, 0xCC, 0x3D}},                   // rounded to nearest, up
    {1.0 + 1e-9, {0x00, 0x00, 0x80, 0x3F}},            // below half an ulp: 1
    {1e-50, {0x00, 0x00, 0x00, 0x00}},                 // underflows to +0
    {1e39, {0x00, 0x00, 0x80, 0x7F}},                  // beyond the range: +inf
    {std::numeric_limits<double>::infinity(), {0x00, 0x00, 0x80, 0x7F}},
    {-std::numeric_limits<double>::infinity(), {0x00, 0x00, 0x80, 0xFF}},
    {65504.0, {0x00, 0xE0, 0x7F, 0x47}},
};

TEST(Cf32Writer, EncodesEachValueAsLittleEndianFloat) {
    for (const auto& c : kEncodings) {
        SCOPED_TRACE(c.value);
        const ComplexSample sample{c.value, -1.0};
        std::byte out[kCf32BytesPerSample];
        encodeCf32(std::span(&sample, 1), out);
        for (std::size_t b = 0; b < 4; ++b) {
            EXPECT_EQ(static_cast<unsigned char>(out[b]), c.bytes[b]) << "byte " << b;
        }
        // Q follows I: -1 is 0xBF800000.
        EXPECT_EQ(static_cast<unsigned char>(out[6]), 0x80);
        EXPECT_EQ(static_cast<unsigned char>(out[7]), 0xBF);
    }
}

SampleBuffer cf32WriterRandomSamples(std::size_t count, unsigned seed) {
    std::mt19937 engine(seed);
    std::normal_distribution<double> normal(0.0, 3.0);
    SampleBuffer samples(count);
    for (auto& s : samples) {
        s = {normal(engine), normal(engine)};
    }
    return samples;
}

TEST(Cf32Writer, FilesHoldEverySampleInOrderWhateverTheLength) {
    // Around the writer's 65536-sample pieces as well as tiny and empty files.
    for (std::size_t count : {0u, 1u, 3u, 65535u, 65536u, 65537u, 200001u}) {
        SCOPED_TRACE(count);
        TempDir dir;
        const auto samples = cf32WriterRandomSamples(count, static_cast<unsigned>(count));
        const std::string path = dir.file("x.sigmf-data");
        ASSERT_EQ(writeCf32File(path, samples), std::nullopt);
        EXPECT_EQ(std::filesystem::file_size(path), count * 8);
        const auto values = readCf32Values(path);
        ASSERT_EQ(values.size(), 2 * count);
        for (std::size_t n = 0; n < count; ++n) {
            ASSERT_EQ(values[2 * n], static_cast<float>(samples[n].i)) << n;
            ASSERT_EQ(values[2 * n + 1], static_cast<float>(samples[n].q)) << n;
        }
    }
}

TEST(Cf32Writer, RewritingTruncatesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("x.sigmf-data");
    ASSERT_EQ(writeCf32File(path, cf32WriterRandomSamples(100, 1)), std::nullopt);
    ASSERT_EQ(writeCf32File(path, cf32WriterRandomSamples(2, 2)), std::nullopt);
    EXPECT_EQ(std::filesystem::file_size(path), 16u);
}

std::string cf32WriterReason(int error) {
    return std::generic_category().message(error);
}

TEST(Cf32Writer, FailuresGiveTheSystemsReason) {
    TempDir dir;
    EXPECT_EQ(writeCf32File(dir.file("missing/x.sigmf-data"), cf32WriterRandomSamples(4, 3)), cf32WriterReason(ENOENT));
    EXPECT_EQ(writeCf32File(dir.str(), cf32WriterRandomSamples(4, 3)), cf32WriterReason(EISDIR));
}

TEST(Cf32Writer, PathsFollowTheCsvNaming) {
    EXPECT_EQ(cf32FilePath(".", 3), "./modulated_signal_3.sigmf-data");
    EXPECT_EQ(cf32FilePath("out/", 12), "out//modulated_signal_12.sigmf-data");
}

}  // namespace
}  // namespace quorvel
