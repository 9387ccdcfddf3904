#include "channel/PhaseNoise.h"

#include <cmath>

#include "channel/PolarNormal.h"

namespace quorvel {

double phaseStepDeviation(const PhaseNoise& noise, double samplingRateHz) {
    const double twoPiF = (Pi * 2.0) * noise.offsetHz;
    return std::sqrt(std::pow(10.0, noise.levelDbcPerHz / 10.0) * (twoPiF * twoPiF) / samplingRateHz);
}

double PhaseWalk::nextStep() {
    if (hasSavedStep_) {
        hasSavedStep_ = false;
        return savedStep_;
    }
    const PolarPoint point = drawPolarPoint(engine_);
    const auto pair = polarPair(point.u1, point.u2);
    savedStep_ = pair[1] * stepDeviation_;
    hasSavedStep_ = true;
    return pair[0] * stepDeviation_;
}

void PhaseWalk::apply(std::span<ComplexSample> samples) {
    for (ComplexSample& s : samples) {
        s = s * polar(1.0, phase_);
        phase_ += nextStep();
        // Kept within one turn, so that the sine and cosine stay exact over a long file; the
        // IEEE remainder is exact, so the walk is the same on every platform.
        if (std::fabs(phase_) > Pi) {
            phase_ = std::remainder(phase_, Pi * 2.0);
        }
    }
}

SampleBuffer applyPhaseNoise(const SampleBuffer& input, const PhaseNoise& noise, double samplingRateHz,
                             std::uint32_t seed) {
    SampleBuffer out = input;
    PhaseWalk(phaseStepDeviation(noise, samplingRateHz), seed).apply(out);
    return out;
}

}  // namespace quorvel
