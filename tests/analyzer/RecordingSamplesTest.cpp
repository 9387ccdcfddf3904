// Every sample encoding decoded from bytes written here by hand, at offsets across the CSV
// reader's index stride, and the files a recording reader must refuse.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "analyzer/RecordingSamples.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

template <typename Component>
std::string componentBytes(const std::vector<Component>& values) {
    std::string bytes(values.size() * sizeof(Component), '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

struct RecordingSamplesEncodingCase {
    SampleEncoding encoding;
    std::string bytes;               // three samples and one stray byte
    std::vector<IqSample> expected;  // by SigMF's scaling: v / full scale, cu8 offset by 127.5
};

std::vector<RecordingSamplesEncodingCase> encodingCases() {
    return {
        {SampleEncoding::Cf32Le,
         componentBytes<float>({0.5f, -0.25f, 1e30f, -0.0f, 3.0f, 4.0f}) + "x",
         {{0.5f, -0.25f}, {1e30f, -0.0f}, {3.0f, 4.0f}}},
        {SampleEncoding::Ci16Le,
         componentBytes<std::int16_t>({-32768, 32767, 0, 16384, -1, 1}) + "x",
         {{-1.0f, 32767.0f / 32768}, {0.0f, 0.5f}, {-1.0f / 32768, 1.0f / 32768}}},
        {SampleEncoding::Ci8,
         componentBytes<std::int8_t>({-128, 127, 0, 64, -1, 1}) + "x",
         {{-1.0f, 127.0f / 128}, {0.0f, 0.5f}, {-1.0f / 128, 1.0f / 128}}},
        {SampleEncoding::Cu8,
         componentBytes<std::uint8_t>({0, 255, 127, 128, 64, 191}) + "x",
         {{-127.5f / 128, 127.5f / 128}, {-0.5f / 128, 0.5f / 128}, {-63.5f / 128, 63.5f / 128}}},
    };
}

TEST(RecordingSamples, EachBinaryEncodingDecodesToFullScaleAndDropsAPartialSample) {
    const TempDir dir;
    for (const RecordingSamplesEncodingCase& c : encodingCases()) {
        SCOPED_TRACE(std::string(encodingName(c.encoding)));
        writeBytes(dir.file("r.bin"), c.bytes);
        const auto reader = mapSamples(dir.file("r.bin"), c.encoding);
        ASSERT_EQ(reader->size(), 3u);
        std::vector<IqSample> got(2);
        reader->read(1, 2, got.data());
        EXPECT_EQ(got[0], c.expected[1]);
        EXPECT_EQ(got[1], c.expected[2]);
        EXPECT_EQ(encodingOfDatatype(encodingName(c.encoding)), c.encoding);
    }
    EXPECT_FALSE(encodingOfDatatype("csv"));
    EXPECT_FALSE(encodingOfDatatype("cf32_be"));
}

TEST(RecordingSamples, CsvReadsAnyRangeAcrossItsIndexAndMarksWhatDoesNotParse) {
    const TempDir dir;
    constexpr int kLines = 3000;  // almost three strides of the line index
    std::string text = "Real,Imaginary\r\n";
    for (int k = 0; k < kLines; ++k) {
        text += std::to_string(k) + "," + std::to_string(-0.5 * k) + "\r\n";
    }
    text += "inf,-nan\r\nbroken\r\n7,8";  // a last line without its end
    writeBytes(dir.file("r.csv"), text);
    const auto reader = mapSamples(dir.file("r.csv"), SampleEncoding::Csv);
    ASSERT_EQ(reader->size(), static_cast<std::uint64_t>(kLines + 3));
    for (const std::uint64_t begin : {0u, 1023u, 1024u, 2047u, 2999u}) {
        std::vector<IqSample> got(2);
        reader->read(begin, 2, got.data());
        for (std::size_t k = 0; k < 2; ++k) {
            const auto n = static_cast<float>(begin + k);
            if (begin + k < kLines) {
                EXPECT_EQ(got[k], IqSample(n, -0.5f * n)) << begin + k;
            }
        }
    }
    std::vector<IqSample> tail(3);
    reader->read(kLines, 3, tail.data());
    EXPECT_TRUE(std::isinf(tail[0].real()) && std::isnan(tail[0].imag()));
    EXPECT_TRUE(std::isnan(tail[1].real()));
    EXPECT_EQ(tail[2], IqSample(7.0f, 8.0f));
}

TEST(RecordingSamples, RefusesWhatIsNoRegularFileOrNoSampleText) {
    const TempDir dir;
    writeBytes(dir.file("other.csv"), "I,Q\n1,2\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        SampleEncoding encoding;
        std::string reason;
    } cases[] = {
        {dir.str(), SampleEncoding::Cf32Le, "is not a regular file"},
        {dir.file("fifo"), SampleEncoding::Cf32Le, "is not a regular file"},
        {dir.file("missing"), SampleEncoding::Ci8, "No such file"},
        {dir.file("other.csv"), SampleEncoding::Csv, "no \"Real,Imaginary\" line"},
    };
    for (const auto& c : cases) {
        try {
            mapSamples(c.path, c.encoding);
            ADD_FAILURE() << c.path << " was read";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace quorvel
