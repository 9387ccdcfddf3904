#include "channel/NormalPairs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "common/MersenneTwister.h"
#include "common/Philox.h"

namespace quorvel {
namespace {

constexpr std::size_t kFactorBlock = 256;

// 1 - u1 lies in (0, 1]: the logarithm is finite, the radius at most about 8.6.
double boxMullerRadius(double u1) {
    return std::sqrt(-2.0 * std::log(1.0 - u1));
}

std::array<double, 2> boxMullerAngle(double u2) {
    const double angle = 2.0 * std::numbers::pi * u2;
    return {std::cos(angle), std::sin(angle)};
}

class TwisterPairs final : public NormalPairs {
public:
    explicit TwisterPairs(std::uint32_t seed) : engine_(seed) {}

    void prepare(NormalPiece& piece, std::size_t count) override {
        piece.firstSample = next_;
        piece.count = count;
        piece.points.resize(count);
        drawPolarPoints(engine_, piece.points);
        next_ += count;
    }

    void add(const NormalPiece& piece, double standardDeviation, std::span<ComplexSample> samples) const override {
        // The logarithms and roots of a block are independent of each other and overlap in the
        // processor, where one sample at a time they would wait on each other.
        std::array<double, kFactorBlock> factors;
        const std::span<const PolarPoint> points(piece.points);
        for (std::size_t begin = 0; begin < samples.size(); begin += kFactorBlock) {
            const std::size_t count = std::min(kFactorBlock, samples.size() - begin);
            polarFactors(points.subspan(begin, count), std::span(factors).first(count));
            for (std::size_t n = 0; n < count; ++n) {
                const PolarPoint& point = points[begin + n];
                ComplexSample& sample = samples[begin + n];
                sample.q = (point.u1 * factors[n]) * standardDeviation + sample.q;
                sample.i = (point.u2 * factors[n]) * standardDeviation + sample.i;
            }
        }
    }

private:
    MersenneTwister engine_;
    std::uint64_t next_ = 0;
};

// Sample n's counter (block low, block high, group, 0), in the columns.
void noiseCounters(std::uint64_t firstSample, std::size_t count, PhiloxColumns& columns) {
    for (std::size_t n = 0; n < count; ++n) {
        const std::uint64_t sample = firstSample + n;
        const std::uint64_t block = sample / kNoiseSamplesPerBlock;
        columns.w0[n] = static_cast<std::uint32_t>(block);
        columns.w1[n] = static_cast<std::uint32_t>(block >> 32);
        columns.w2[n] = static_cast<std::uint32_t>(sample % kNoiseSamplesPerBlock);
        columns.w3[n] = 0;
    }
}

class CounterPairs final : public NormalPairs {
public:
    explicit CounterPairs(std::uint32_t seed) : seed_(seed) {}

    void prepare(NormalPiece& piece, std::size_t count) override {
        piece.firstSample = next_;
        piece.count = count;
        next_ += count;
    }

    void add(const NormalPiece& piece, double standardDeviation, std::span<ComplexSample> samples) const override {
        // The words a batch at a time, then the radii, then the angles: the calls of one batch
        // are independent of each other and overlap in the processor.
        PhiloxColumns words;
        std::array<double, kPhiloxColumns> radii;
        for (std::size_t begin = 0; begin < samples.size(); begin += kPhiloxColumns) {
            const std::size_t count = std::min(kPhiloxColumns, samples.size() - begin);
            noiseCounters(piece.firstSample + begin, count, words);
            philox4x32(words, count, {seed_, static_cast<std::uint32_t>(CounterStream::Noise)});
            for (std::size_t n = 0; n < count; ++n) {
                radii[n] = boxMullerRadius(philoxUniform(words.w0[n], words.w1[n]));
            }
            for (std::size_t n = 0; n < count; ++n) {
                const auto [cosine, sine] = boxMullerAngle(philoxUniform(words.w2[n], words.w3[n]));
                ComplexSample& sample = samples[begin + n];
                sample.q = (radii[n] * cosine) * standardDeviation + sample.q;
                sample.i = (radii[n] * sine) * standardDeviation + sample.i;
            }
        }
    }

private:
    std::uint32_t seed_;
    std::uint64_t next_ = 0;
};

}  // namespace

std::array<double, 2> counterPair(std::uint32_t seed, std::uint64_t sample) {
    const std::uint64_t block = sample / kNoiseSamplesPerBlock;
    const auto group = static_cast<std::uint32_t>(sample % kNoiseSamplesPerBlock);
    const PhiloxCounter words = philox4x32(
        {static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(block >> 32), group, 0},
        {seed, static_cast<std::uint32_t>(CounterStream::Noise)});
    const double radius = boxMullerRadius(philoxUniform(words[0], words[1]));
    const auto [cosine, sine] = boxMullerAngle(philoxUniform(words[2], words[3]));
    return {radius * cosine, radius * sine};
}

std::unique_ptr<NormalPairs> twisterPairs(std::uint32_t seed) {
    return std::make_unique<TwisterPairs>(seed);
}

std::unique_ptr<NormalPairs> counterPairs(std::uint32_t seed) {
    return std::make_unique<CounterPairs>(seed);
}

}  // namespace quorvel
