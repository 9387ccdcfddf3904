#include "channel/FadingGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

QUORVEL_WIDE_KERNEL void FadingGenerator::turn(std::span<ComplexSample> out) {
    // The sinusoids four to a vector, held in locals: as scalars the 64 values of the recurrence
    // spill out of the registers, and the compiler turns one sinusoid at a time. Element by
    // element the operations are the scalar recurrence's, so the bits are the same.
    static_assert(kSinusoids % 4 == 0, "the sinusoids go four to a vector");
    constexpr std::size_t quads = kSinusoids / 4;
    DoubleQuad phasorI[quads];
    DoubleQuad phasorQ[quads];
    DoubleQuad stepI[quads];
    DoubleQuad stepQ[quads];
    std::memcpy(phasorI, phasorI_.data(), sizeof phasorI);
    std::memcpy(phasorQ, phasorQ_.data(), sizeof phasorQ);
    std::memcpy(stepI, stepI_.data(), sizeof stepI);
    std::memcpy(stepQ, stepQ_.data(), sizeof stepQ);
    for (ComplexSample& gain : out) {
        // Lane j sums sinusoids j, j + 4, j + 8, ... in that order: four interleaved partial
        // sums, added in a fixed order, as one running sum would serialise the additions.
        DoubleQuad sumI{};
        DoubleQuad sumQ{};
        for (std::size_t k = 0; k < quads; ++k) {
            sumI += phasorI[k];
            sumQ += phasorQ[k];
        }
        for (std::size_t k = 0; k < quads; ++k) {
            const DoubleQuad i = phasorI[k];
            const DoubleQuad q = phasorQ[k];
            phasorI[k] = i * stepI[k] - q * stepQ[k];
            phasorQ[k] = i * stepQ[k] + q * stepI[k];
        }
        const double i = (sumI[0] + sumI[1]) + (sumI[2] + sumI[3]);
        const double q = (sumQ[0] + sumQ[1]) + (sumQ[2] + sumQ[3]);
        gain = {i * scatteredScale_ + direct_.i, q * scatteredScale_ + direct_.q};
    }
    std::memcpy(phasorI_.data(), phasorI, sizeof phasorI);
    std::memcpy(phasorQ_.data(), phasorQ, sizeof phasorQ);
}

}  // namespace quorvel
