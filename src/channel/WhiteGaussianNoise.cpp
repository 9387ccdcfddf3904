#include "channel/WhiteGaussianNoise.h"

#include <cmath>
#include <limits>
#include <random>
#include <utility>

#include "channel/PolarNormal.h"

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

SampleBuffer addWhiteGaussianNoise(SampleBuffer&& input, double snrDb, const SeedSource& seeds) {
    if (input.empty() || snrDb == std::numeric_limits<double>::infinity()) {
        return std::move(input);
    }
    // Half of the noise power goes to each component.
    const double variance = meanPower(input) / dbToLinear(snrDb) * 0.5;
    std::mt19937 engine(seeds());
    PolarNormal normal(std::sqrt(variance));
    for (auto& sample : input) {
        const double first = normal(engine);
        const double second = normal(engine);
        sample.q = first + sample.q;
        sample.i = second + sample.i;
    }
    return std::move(input);
}

}  // namespace quorvel
