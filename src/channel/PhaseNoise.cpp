#include "channel/PhaseNoise.h"

#include <cmath>

#include "channel/PolarNormal.h"

namespace quorvel {

double phaseStepDeviation(const PhaseNoise& noise, double samplingRateHz) {
    const double twoPiF = (Pi * 2.0) * noise.offsetHz;
    return std::sqrt(std::pow(10.0, noise.levelDbcPerHz / 10.0) * (twoPiF * twoPiF) /
                     samplingRateHz);
}

void PhaseWalk::drawSteps(std::size_t count) {
    steps_.resize(count);
    std::size_t k = 0;
    if (hasSavedStep_ && count > 0) {
        steps_[k++] = savedStep_;
        hasSavedStep_ = false;
    }
    // Each point gives two steps; the engine's points are drawn a block at a time.
    points_.resize((count - k + 1) / 2);
    drawPolarPoints(engine_, points_);
    factors_.resize(points_.size());
    polarFactors(points_, factors_);
    for (std::size_t m = 0; m < points_.size(); ++m) {
        const PolarPoint& point = points_[m];
        steps_[k++] = (point.u1 * factors_[m]) * stepDeviation_;
        if (k < count) {
            steps_[k++] = (point.u2 * factors_[m]) * stepDeviation_;
        } else {
            savedStep_ = (point.u2 * factors_[m]) * stepDeviation_;
            hasSavedStep_ = true;
        }
    }
}

void PhaseWalk::apply(std::span<ComplexSample> samples) {
    drawSteps(samples.size());
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] = samples[n] * polar(1.0, phase_);
        phase_ += steps_[n];
        // Kept within one turn, so that the sine and cosine stay exact over a long file; the
        // IEEE remainder is exact, so the walk is the same on every platform.
        if (std::fabs(phase_) > Pi) {
            phase_ = std::remainder(phase_, Pi * 2.0);
        }
    }
}

SampleBuffer applyPhaseNoise(const SampleBuffer& input, const PhaseNoise& noise,
                             double samplingRateHz, std::uint32_t seed) {
    SampleBuffer out = input;
    PhaseWalk(phaseStepDeviation(noise, samplingRateHz), seed).apply(out);
    return out;
}

}  // namespace quorvel
