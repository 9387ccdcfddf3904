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

NoiseGenerator::NoiseGenerator(double standardDeviation, std::uint32_t seed, NoiseDraws draws)
    : pairs_(draws == NoiseDraws::CounterBoxMuller ? counterPairs(seed) : twisterPairs(seed)),
      standardDeviation_(standardDeviation) {}

void NoiseGenerator::addTo(std::span<ComplexSample> samples) {
    // Each sample takes exactly one pair, so no value is left over between calls; a block at a
    // time keeps the readied pairs small.
    NormalPiece piece;
    for (std::size_t begin = 0; begin < samples.size(); begin += kNoiseBlock) {
        const std::size_t count = std::min(kNoiseBlock, samples.size() - begin);
        drawPoints(piece, count);
        addPoints(piece, samples.subspan(begin, count));
    }
}

void NoiseGenerator::drawPoints(NormalPiece& piece, std::size_t count) {
    pairs_->prepare(piece, count);
}

void NoiseGenerator::addPoints(const NormalPiece& piece, std::span<ComplexSample> samples) const {
    pairs_->add(piece, standardDeviation_, samples);
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
