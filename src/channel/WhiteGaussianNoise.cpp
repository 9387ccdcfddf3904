#include "channel/WhiteGaussianNoise.h"

#include <cmath>
#include <limits>
#include <random>
#include <utility>


namespace quorvel {
namespace {

double meanPower(const SampleBuffer& samples) {
    double sum = 0.0;
    for (const auto& s : samples) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum / static_cast<double>(samples.size());
}

}  // namespace

double dbToLinear(double db) {
    return std::pow(10.0, db / 10.0);
}

SampleBuffer addWhiteGaussianNoise(const SampleBuffer& input, double snrDb,
                                   const SeedSource& seeds) {
    return addWhiteGaussianNoise(SampleBuffer(input), snrDb, seeds);
}

bool addsNoise(const SampleBuffer& signal, double snrDb) {
    return !signal.empty() && snrDb != std::numeric_limits<double>::infinity();
}

double noiseStandardDeviation(const SampleBuffer& signal, double snrDb) {
    // Half of the noise power goes to each component.
    const double variance = meanPower(signal) / dbToLinear(snrDb) * 0.5;
    return std::sqrt(variance);
}

void NoiseGenerator::addTo(std::span<ComplexSample> samples) {
    for (auto& sample : samples) {
        const double first = normal_(engine_);
        const double second = normal_(engine_);
        sample.q = first + sample.q;
        sample.i = second + sample.i;
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
