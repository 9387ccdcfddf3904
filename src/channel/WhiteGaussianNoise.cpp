#include "channel/WhiteGaussianNoise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <utility>

#include "common/SignalParameters.h"

namespace quorvel {
namespace {

constexpr std::size_t kNoiseBlock = 256;

}  // namespace

double meanPower(const SampleBuffer& signal) {
    if (signal.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const auto& s : signal) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum / static_cast<double>(signal.size());
}

double dbToLinear(double db) {
    return std::pow(10.0, db / 10.0);
}

SampleBuffer addWhiteGaussianNoise(const SampleBuffer& input, double snrDb,
                                   const SeedSource& seeds) {
    return addWhiteGaussianNoise(SampleBuffer(input), snrDb, seeds);
}

bool addsNoise(const SampleBuffer& signal, double snrDb) {
    return !signal.empty() && !isNoiseless(snrDb);
}

double noiseStandardDeviation(double signalPower, double snrDb) {
    // Half of the noise power goes to each component.
    const double variance = signalPower / dbToLinear(snrDb) * 0.5;
    return std::sqrt(variance);
}

double noiseStandardDeviation(const SampleBuffer& signal, double snrDb) {
    return noiseStandardDeviation(meanPower(signal), snrDb);
}

void NoiseGenerator::addTo(std::span<ComplexSample> samples) {
    // Each sample takes exactly one polar pair, so no value is left over between calls. The
    // points are drawn first, a block at a time, because only that part depends on the engine's
    // order; the logarithms and roots of a block are then independent of each other and overlap
    // in the processor, where one sample at a time they would wait on each other.
    std::array<PolarPoint, kNoiseBlock> points;
    for (std::size_t begin = 0; begin < samples.size(); begin += kNoiseBlock) {
        const std::size_t count = std::min(kNoiseBlock, samples.size() - begin);
        drawPoints(std::span(points).first(count));
        addPoints(std::span(points).first(count), samples.subspan(begin, count));
    }
}

void NoiseGenerator::drawPoints(std::span<PolarPoint> points) {
    drawPolarPoints(engine_, points);
}

void NoiseGenerator::addPoints(std::span<const PolarPoint> points, std::span<ComplexSample> samples) const {
    std::array<double, kNoiseBlock> factors;
    for (std::size_t begin = 0; begin < samples.size(); begin += kNoiseBlock) {
        const std::size_t count = std::min(kNoiseBlock, samples.size() - begin);
        polarFactors(points.subspan(begin, count), std::span(factors).first(count));
        for (std::size_t n = 0; n < count; ++n) {
            const PolarPoint& point = points[begin + n];
            ComplexSample& sample = samples[begin + n];
            sample.q = (point.u1 * factors[n]) * standardDeviation_ + sample.q;
            sample.i = (point.u2 * factors[n]) * standardDeviation_ + sample.i;
        }
    }
}

SampleBuffer addWhiteGaussianNoise(SampleBuffer&& input, double snrDb, const SeedSource& seeds) {
    if (!addsNoise(input, snrDb)) {
        return std::move(input);
    }
    const double sigma = noiseStandardDeviation(input, snrDb);
    NoiseGenerator(sigma, seeds()).addTo(input);
    return std::move(input);
}

}  // namespace quorvel
