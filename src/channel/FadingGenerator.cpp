#include "channel/FadingGenerator.h"

#include <algorithm>
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

FadingGenerator::FadingGenerator(const Fading& fading, double samplingRateHz,
                                 MersenneTwister& engine) {
    const double k = fading.model == FadingModel::Rician ? fading.kFactor : 0.0;
    constexpr auto sinusoids = static_cast<double>(kSinusoids);
    for (std::size_t m = 0; m < kSinusoids; ++m) {
        const double theta = uniformAngle(engine);
        startPhase_[m] = uniformAngle(engine);
        const double arrival =
            (Pi * static_cast<double>(m + 1) - Pi / 2.0 + theta / 2.0) / sinusoids;
        radiansPerSample_[m] = (Pi * 2.0) * fading.dopplerHz * std::cos(arrival) / samplingRateHz;
        stepI_[m] = std::cos(radiansPerSample_[m]);
        stepQ_[m] = std::sin(radiansPerSample_[m]);
    }
    const double directPhase = uniformAngle(engine);
    direct_ = polar(std::sqrt(k / (k + 1.0)), directPhase);
    scatteredScale_ = std::sqrt(1.0 / ((k + 1.0) * sinusoids));
}

void FadingGenerator::anchor() {
    for (std::size_t m = 0; m < kSinusoids; ++m) {
        const double turned =
            std::fmod(radiansPerSample_[m] * static_cast<double>(next_), Pi * 2.0);
        phasorI_[m] = std::cos(turned + startPhase_[m]);
        phasorQ_[m] = std::sin(turned + startPhase_[m]);
    }
}

void FadingGenerator::next(std::span<ComplexSample> out) {
    for (std::size_t done = 0; done < out.size();) {
        if (next_ % kAnchorSamples == 0) {
            anchor();
        }
        const auto run =
            std::min<std::size_t>(out.size() - done, kAnchorSamples - next_ % kAnchorSamples);
        turn(out.subspan(done, run));
        done += run;
        next_ += run;
    }
}

void FadingGenerator::turn(std::span<ComplexSample> out) {
    // Local copies: the compiler cannot tell the members from the output, and would otherwise
    // give up turning the sinusoids side by side.
    std::array<double, kSinusoids> phasorI = phasorI_;
    std::array<double, kSinusoids> phasorQ = phasorQ_;
    const std::array<double, kSinusoids> stepI = stepI_;
    const std::array<double, kSinusoids> stepQ = stepQ_;
    for (ComplexSample& gain : out) {
        // Interleaved partial sums in a fixed order: one running sum would serialise the additions.
        std::array<double, 4> sumI{};
        std::array<double, 4> sumQ{};
        for (std::size_t m = 0; m < kSinusoids; m += 4) {
            for (std::size_t lane = 0; lane < 4; ++lane) {
                sumI[lane] += phasorI[m + lane];
                sumQ[lane] += phasorQ[m + lane];
            }
        }
        for (std::size_t m = 0; m < kSinusoids; ++m) {
            const double i = phasorI[m];
            const double q = phasorQ[m];
            phasorI[m] = i * stepI[m] - q * stepQ[m];
            phasorQ[m] = i * stepQ[m] + q * stepI[m];
        }
        const double i = (sumI[0] + sumI[1]) + (sumI[2] + sumI[3]);
        const double q = (sumQ[0] + sumQ[1]) + (sumQ[2] + sumQ[3]);
        gain = {i * scatteredScale_ + direct_.i, q * scatteredScale_ + direct_.q};
    }
    phasorI_ = phasorI;
    phasorQ_ = phasorQ;
}

}  // namespace quorvel
