// The integer sample formats: codes and clipping of constructed values, and whole recordings read
// back through the analyzer against the float recording of the same seed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "analyzer/Recording.h"
#include "export/IntegerSamples.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

struct CodeCase {
    OutputFormat format;
    ComplexSample sample;  // at full scale 2
    int i, q;              // the codes written
    bool clipped;
};

int codeAt(const std::byte* at, OutputFormat format) {
    if (format == OutputFormat::Ci16) {
        std::int16_t value;
        std::memcpy(&value, at, 2);  // the machines we build on are little-endian
        return value;
    }
    return format == OutputFormat::Ci8 ? static_cast<int>(static_cast<std::int8_t>(*at))
                                       : static_cast<int>(static_cast<std::uint8_t>(*at));
}

TEST(IntegerSamples, CodesAndClippingOfConstructedValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CodeCase cases[] = {
        {OutputFormat::Ci16, {1.0, -0.5}, 16384, -8192, false},
        {OutputFormat::Ci16, {-2.0, 2.0 * 32767 / 32768}, -32768, 32767, false},
        {OutputFormat::Ci16, {2.0, 0.0}, 32767, 0, true},
        {OutputFormat::Ci16, {0.0, -2.1}, 0, -32768, true},
        {OutputFormat::Ci16, {nan, 1e-9}, 0, 0, true},
        {OutputFormat::Ci8, {1.0, -2.0}, 64, -128, false},
        {OutputFormat::Ci8, {1.99, -3.0}, 127, -128, true},
        {OutputFormat::Cu8, {0.0, -2.0}, 128, 0, false},
        {OutputFormat::Cu8, {-1e-9, 1.99}, 127, 255, false},
        {OutputFormat::Cu8, {2.0, -2.01}, 255, 0, true},
    };
    for (const CodeCase& c : cases) {
        std::byte bytes[8];
        const std::uint64_t clipped = encodeIntegers(std::span(&c.sample, 1), c.format, 2.0, bytes);
        const std::size_t half = sigmfBytesPerSample(c.format) / 2;
        EXPECT_EQ(codeAt(bytes, c.format), c.i) << c.sample.i;
        EXPECT_EQ(codeAt(bytes + half, c.format), c.q) << c.sample.q;
        EXPECT_EQ(clipped, c.clipped ? 1u : 0u) << c.sample.i << ", " << c.sample.q;
    }
}

// Read back at full scale 1 by the analyzer, each sample is the float recording's over the full
// scale, within half a step (a whole one for cu8's levels between the codes' values), and the
// samples beyond full scale are those the metadata counts.
TEST(IntegerSamples, RecordingsReadBackThroughTheAnalyzer) {
    struct Format {
        OutputFormat format;
        double step;
        double lowest, highest;  // the values that keep their own code: [lowest, highest)
    };
    for (const Format f : {Format{OutputFormat::Ci16, 1.0 / 32768, -32768.5 / 32768, 32767.5 / 32768},
                           Format{OutputFormat::Ci8, 1.0 / 128, -128.5 / 128, 127.5 / 128},
                           Format{OutputFormat::Cu8, 1.0 / 128, -1.0, 1.0}}) {
        testing_support::TempDir dir;
        SignalParameters p;
        p.modulationType = ModulationType::Qam;
        p.qamOrder = 16;
        p.pskOrder = 0;
        p.snrDb = 10;
        p.symbolCount = 2000;
        p.savePath = dir.str();
        p.integerScale = 1.5;  // little headroom: the noise peaks clip
        p.outputFormat = OutputFormat::Cf32;
        const auto floats = SignalSynthesizer::seeded(4).generateSignal(p);
        p.outputFormat = f.format;
        const std::string integers = dir.str() + "/int";
        std::filesystem::create_directory(integers);
        p.savePath = integers;
        ASSERT_FALSE(SignalSynthesizer::seeded(4).generateSignal(p).refused());
        const Recording recording = openRecording(integers + "/modulated_signal_1.sigmf-meta");
        ASSERT_TRUE(recording.record);
        const double fullScale = recording.record->fullScale;
        ASSERT_EQ(recording.samples->size(), floats.signal.size());
        std::vector<IqSample> read(floats.signal.size());
        recording.samples->read(0, read.size(), read.data());
        std::uint64_t beyond = 0;
        std::size_t far = 0;
        for (std::size_t n = 0; n < read.size(); ++n) {
            const double i = floats.signal[n].i / fullScale, q = floats.signal[n].q / fullScale;
            if (!(i >= f.lowest && i < f.highest && q >= f.lowest && q < f.highest)) {
                ++beyond;
                continue;
            }
            const double tolerance = (f.format == OutputFormat::Cu8 ? 1.0 : 0.5) * f.step + 1e-6;
            far += std::abs(read[n].real() - i) > tolerance || std::abs(read[n].imag() - q) > tolerance;
        }
        EXPECT_EQ(far, 0u) << sigmfDatatype(f.format);
        EXPECT_GT(beyond, 0u);
        EXPECT_EQ(recording.record->clippedSamples, beyond) << sigmfDatatype(f.format);
    }
}

}  // namespace
}  // namespace quorvel
