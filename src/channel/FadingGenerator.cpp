#include "channel/FadingGenerator.h"

#include <algorithm>
#include <cmath>

#include "channel/PolarNormal.h"
#include "channel/SamplePairs.h"

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
    // The sinusoids in pairs held in local vectors: as scalars the 64 values of the recurrence
    // spill out of the registers, and the compiler turns one sinusoid at a time. Element by
    // element the operations are the scalar recurrence's, so the bits are the same.
    static_assert(kSinusoids % 4 == 0, "the partial sums take four sinusoids at a time");
    constexpr std::size_t pairs = kSinusoids / 2;
    std::array<DoublePair, pairs> phasorI{};
    std::array<DoublePair, pairs> phasorQ{};
    std::array<DoublePair, pairs> stepI{};
    std::array<DoublePair, pairs> stepQ{};
    for (std::size_t k = 0; k < pairs; ++k) {
        phasorI[k] = DoublePair{phasorI_[2 * k], phasorI_[2 * k + 1]};
        phasorQ[k] = DoublePair{phasorQ_[2 * k], phasorQ_[2 * k + 1]};
        stepI[k] = DoublePair{stepI_[2 * k], stepI_[2 * k + 1]};
        stepQ[k] = DoublePair{stepQ_[2 * k], stepQ_[2 * k + 1]};
    }
    for (ComplexSample& gain : out) {
        // Four interleaved partial sums, lanes 0 and 1 in `low`, 2 and 3 in `high`, each over
        // every fourth sinusoid, added in a fixed order: one running sum would serialise them.
        DoublePair lowI{};
        DoublePair highI{};
        DoublePair lowQ{};
        DoublePair highQ{};
        for (std::size_t k = 0; k < pairs; k += 2) {
            lowI += phasorI[k];
            highI += phasorI[k + 1];
            lowQ += phasorQ[k];
            highQ += phasorQ[k + 1];
        }
        for (std::size_t k = 0; k < pairs; ++k) {
            const DoublePair i = phasorI[k];
            const DoublePair q = phasorQ[k];
            phasorI[k] = i * stepI[k] - q * stepQ[k];
            phasorQ[k] = i * stepQ[k] + q * stepI[k];
        }
        const double i = (lowI[0] + lowI[1]) + (highI[0] + highI[1]);
        const double q = (lowQ[0] + lowQ[1]) + (highQ[0] + highQ[1]);
        gain = {i * scatteredScale_ + direct_.i, q * scatteredScale_ + direct_.q};
    }
    for (std::size_t k = 0; k < pairs; ++k) {
        phasorI_[2 * k] = phasorI[k][0];
        phasorI_[2 * k + 1] = phasorI[k][1];
        phasorQ_[2 * k] = phasorQ[k][0];
        phasorQ_[2 * k + 1] = phasorQ[k][1];
    }
}

}  // namespace quorvel
