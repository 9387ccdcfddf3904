#include "channel/FadingGenerator.h"

#include <cmath>

#include "channel/PolarNormal.h"

namespace quorvel {
namespace {

// A uniform angle in [-pi, pi) from two engine outputs.
double uniformAngle(MersenneTwister& engine) {
    const std::uint32_t first = engine();
    const std::uint32_t second = engine();
    return polarUniform(first, second) * Pi;
}

}  // namespace

FadingGenerator::FadingGenerator(const Fading& fading, double samplingRateHz, MersenneTwister& engine) {
    const double k = fading.model == FadingModel::Rician ? fading.kFactor : 0.0;
    constexpr double sinusoids = kSinusoids;
    for (int m = 0; m < kSinusoids; ++m) {
        const double theta = uniformAngle(engine);
        startPhase_[m] = uniformAngle(engine);
        const double arrival = ((Pi * 2.0) * (m + 1) - Pi + theta) / sinusoids;
        radiansPerSample_[m] = (Pi * 2.0) * fading.dopplerHz * std::cos(arrival) / samplingRateHz;
        stepI_[m] = std::cos(radiansPerSample_[m]);
        stepQ_[m] = std::sin(radiansPerSample_[m]);
    }
    const double directPhase = uniformAngle(engine);
    direct_ = polar(std::sqrt(k / (k + 1.0)), directPhase);
    scatteredScale_ = std::sqrt(1.0 / ((k + 1.0) * sinusoids));
}

void FadingGenerator::anchor() {
    for (int m = 0; m < kSinusoids; ++m) {
        const double turned = std::fmod(radiansPerSample_[m] * static_cast<double>(next_), Pi * 2.0);
        phasorI_[m] = std::cos(turned + startPhase_[m]);
        phasorQ_[m] = std::sin(turned + startPhase_[m]);
    }
}

void FadingGenerator::next(std::span<ComplexSample> out) {
    for (ComplexSample& gain : out) {
        if (next_ % kAnchorSamples == 0) {
            anchor();
        }
        double sumI = 0.0;
        double sumQ = 0.0;
        for (int m = 0; m < kSinusoids; ++m) {
            sumI += phasorI_[m];
            sumQ += phasorQ_[m];
        }
        for (int m = 0; m < kSinusoids; ++m) {
            const double i = phasorI_[m];
            const double q = phasorQ_[m];
            phasorI_[m] = i * stepI_[m] - q * stepQ_[m];
            phasorQ_[m] = i * stepQ_[m] + q * stepI_[m];
        }
        gain = {sumI * scatteredScale_ + direct_.i, sumQ * scatteredScale_ + direct_.q};
        ++next_;
    }
}

}  // namespace quorvel
