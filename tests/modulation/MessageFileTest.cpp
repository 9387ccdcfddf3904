// A WAV message against formulas: whole-cycle tones written as 16-bit PCM by hand come back at
// the sampling rate as cos + j sin of the same frequency (the Hilbert pair), the ones above the
// band gone, the channels averaged; refusals name the path; the digest is FIPS 180-2's for "abc".

#include "modulation/MessageFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/WavFile.h"

namespace quorvel {
namespace {

using testing_support::TempDir;
using testing_support::writeWav;

struct MessageFileToneCase {
    int fileRateHz;
    int channels;
    int frames;
    std::vector<double> tonesHz;  // each a whole number of cycles in the file, amplitude 8000
    double samplingRateHz;
    double topHz;
    double keptHz;                // the one tone left below topHz
};

const MessageFileToneCase kTones[] = {
    {8000, 1, 800, {1000.0}, 48000.0, 3400.0, 1000.0},            // up by 6
    {8000, 2, 400, {500.0, 3000.0}, 32000.0, 2000.0, 500.0},      // stereo; the right's 3 kHz above the band
    {48000, 1, 4800, {1500.0, 9000.0}, 16000.0, 3400.0, 1500.0},  // down by 3: 9 kHz above both limits
};

TEST(MessageFile, TonesComeBackAsTheirHilbertPairAtTheSamplingRate) {
    constexpr double kTolerance = 1e-3;  // 16-bit rounding of an 8000 amplitude
    for (const MessageFileToneCase& c : kTones) {
        const TempDir dir;
        std::vector<std::int16_t> samples;
        for (int n = 0; n < c.frames; ++n) {
            for (int ch = 0; ch < c.channels; ++ch) {
                // Mono sums the tones; stereo puts one in each channel, which the mix adds.
                double x = 0.0;
                for (std::size_t t = 0; t < c.tonesHz.size(); ++t) {
                    if (c.channels == 1 || t == static_cast<std::size_t>(ch)) {
                        x += 8000.0 * std::cos(2.0 * Pi * c.tonesHz[t] * n / c.fileRateHz);
                    }
                }
                samples.push_back(static_cast<std::int16_t>(std::lround(x)));
            }
        }
        writeWav(dir.file("m.wav"), c.fileRateHz, c.channels, samples);
        const MessageFileReading reading = readMessageFile(dir.file("m.wav"), c.samplingRateHz, c.topHz);
        ASSERT_TRUE(reading) << reading.problem;
        const std::vector<ComplexSample>& period = *reading.period;
        ASSERT_EQ(period.size(), static_cast<std::size_t>(std::lround(c.frames * c.samplingRateHz / c.fileRateHz)));
        double worst = 0.0;
        for (std::size_t n = 0; n < period.size(); ++n) {
            const double phase = 2.0 * Pi * c.keptHz * static_cast<double>(n) / c.samplingRateHz;
            worst = std::max({worst, std::abs(period[n].i - std::cos(phase)), std::abs(period[n].q - std::sin(phase))});
        }
        EXPECT_LT(worst, kTolerance) << c.fileRateHz << " Hz to " << c.samplingRateHz << " Hz";
    }
}

TEST(MessageFile, RefusalsNameThePathAndTheReason) {
    const TempDir dir;
    std::ofstream(dir.file("text.wav")) << "not a sound file at all";
    writeWav(dir.file("high.wav"), 8000, 1, std::vector<std::int16_t>(80, 0));
    struct Refusal {
        std::string name;
        const char* reason;
    };
    for (const Refusal& r : {Refusal{"missing.wav", "No such file"}, Refusal{"text.wav", "no sound file"},
                             Refusal{"high.wav", "holds no sound"}, Refusal{".", "not a regular file"}}) {
        const MessageFileReading reading = readMessageFile(dir.file(r.name), 48000.0, 3400.0);
        EXPECT_FALSE(reading) << r.name;
        EXPECT_NE(reading.problem.find(r.reason), std::string::npos) << reading.problem;
        EXPECT_NE(reading.problem.find("message file"), std::string::npos) << reading.problem;
    }
}

TEST(MessageFile, IdentityIsTheSizeAndSha256) {
    const TempDir dir;
    std::ofstream(dir.file("abc.wav"), std::ios::binary) << "abc";
    const auto identity = messageFileIdentity(dir.file("abc.wav"));
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->bytes, 3U);
    EXPECT_EQ(identity->sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    std::string problem;
    EXPECT_FALSE(messageFileIdentity(dir.file("gone.wav"), &problem));
    EXPECT_NE(problem.find("gone.wav"), std::string::npos) << problem;
}

TEST(MessageFile, OnlyWavPathsNameAFile) {
    for (const auto& [text, file] : std::vector<std::pair<std::string, bool>>{
             {"speech.wav", true}, {"A.WAV", true}, {".wav", false}, {"tone:1.wav", false}, {"speech.flac", false}}) {
        EXPECT_EQ(namesMessageFile(text), file) << text;
    }
}

}  // namespace
}  // namespace quorvel
