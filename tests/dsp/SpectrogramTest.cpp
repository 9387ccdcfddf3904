#include "dsp/Spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace quorvel {
namespace {

// A tone on bin k lands on row k + fft / 2 of every frame; unit-power white noise reads 0 dB on
// average (its mean linear power per pixel within kNoiseTolerance of 1).
constexpr double kNoiseTolerance = 0.03;

struct ShapeCase {
    std::size_t fft;
    std::size_t overlap;
    int toneBin;  // signed: negative frequencies below the centre row
};

constexpr ShapeCase kSpectrogramShapes[] = {{256, 128, 37}, {64, 0, -20}, {100, 75, 1}, {3, 2, -1}};

TEST(Spectrogram, ToneRowNoiseLevelAndFrameCount) {
    for (const ShapeCase& c : kSpectrogramShapes) {
        SCOPED_TRACE(testing::Message() << "fft " << c.fft << " overlap " << c.overlap);
        const SpectrogramShape shape{c.fft, c.overlap};
        ASSERT_EQ(spectrogramShapeProblem(shape), nullptr);
        const std::size_t samples = 50 * c.fft + 3;
        SampleBuffer tone(samples);
        SampleBuffer noise(samples);
        std::mt19937_64 engine(5);
        std::normal_distribution<double> normal(0.0, std::sqrt(0.5));
        for (std::size_t n = 0; n < samples; ++n) {
            const double phase = 2.0 * Pi * c.toneBin * static_cast<double>(n) / static_cast<double>(c.fft);
            tone[n] = {std::cos(phase), std::sin(phase)};
            noise[n] = {normal(engine), normal(engine)};
        }
        std::vector<float> image;
        spectrogramDb(tone, shape, image);
        const std::size_t frames = (samples - c.fft) / (c.fft - c.overlap) + 1;
        ASSERT_EQ(image.size(), frames * c.fft);
        for (std::size_t f = 0; f < frames; f += frames / 3) {
            const auto column = image.begin() + static_cast<std::ptrdiff_t>(f * c.fft);
            const auto peak = std::max_element(column, column + static_cast<std::ptrdiff_t>(c.fft)) - column;
            EXPECT_EQ(peak, c.toneBin + static_cast<int>(c.fft / 2));
        }
        if (c.fft < 16) {
            continue;
        }
        spectrogramDb(noise, shape, image);
        double mean = 0.0;
        for (float v : image) {
            mean += std::pow(10.0, v / 10.0);
        }
        EXPECT_NEAR(mean / static_cast<double>(image.size()), 1.0, kNoiseTolerance);
    }
    EXPECT_NE(spectrogramShapeProblem({8, 8}), nullptr);
    EXPECT_NE(spectrogramShapeProblem({1, 0}), nullptr);
}

}  // namespace
}  // namespace quorvel
