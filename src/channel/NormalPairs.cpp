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

class CounterPairs final : public NormalPairs {
public:
    explicit CounterPairs(std::uint32_t seed) : seed_(seed) {}

    void prepare(NormalPiece& piece, std::size_t count) override {
        piece.firstSample = next_;
        piece.count = count;
        next_ += count;
    }

    void add(const NormalPiece& piece, double standardDeviation, std::span<ComplexSample> samples) const override {
        for (std::size_t n = 0; n < samples.size(); ++n) {
            const auto [q, i] = counterPair(seed_, piece.firstSample + n);
            samples[n].q = q * standardDeviation + samples[n].q;
            samples[n].i = i * standardDeviation + samples[n].i;
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
    const double u1 = philoxUniform(words[0], words[1]);
    const double u2 = philoxUniform(words[2], words[3]);
    // 1 - u1 lies in (0, 1]: the logarithm is finite, the radius at most about 8.6.
    const double radius = std::sqrt(-2.0 * std::log(1.0 - u1));
    const double angle = 2.0 * std::numbers::pi * u2;
    return {radius * std::cos(angle), radius * std::sin(angle)};
}

std::unique_ptr<NormalPairs> twisterPairs(std::uint32_t seed) {
    return std::make_unique<TwisterPairs>(seed);
}

std::unique_ptr<NormalPairs> counterPairs(std::uint32_t seed) {
    return std::make_unique<CounterPairs>(seed);
}

}  // namespace quorvel
