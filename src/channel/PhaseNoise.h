#pragma once
// An oscillator's phase noise as a random walk (Wiener process) of the carrier phase.

#include <cstdint>
#include <span>
#include <vector>

#include "channel/PolarNormal.h"
#include "common/Impairments.h"
#include "common/MersenneTwister.h"
#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

// Standard deviation [rad] of the per-sample phase steps that give a single-sideband level of
// L dBc/Hz at offset F Hz: the variance is 10^(L/10) x 4 pi^2 x F^2 / fs.
double phaseStepDeviation(const PhaseNoise& noise, double samplingRateHz);

// Turns samples by a phase that starts at 0 and takes one normal step after each sample, the
// steps drawn in order from its own engine; consecutive calls continue the walk.
class PhaseWalk {
  public:
    PhaseWalk(double stepDeviation, std::uint32_t seed)
        : engine_(seed), stepDeviation_(stepDeviation) {}

    void apply(std::span<ComplexSample> samples);

  private:
    // The next count steps into steps_, in the order one draw after the other gives them.
    void drawSteps(std::size_t count);

    MersenneTwister engine_;
    double stepDeviation_;
    double phase_ = 0.0;
    double savedStep_ = 0.0;
    bool hasSavedStep_ = false;
    std::vector<double> steps_;
    std::vector<PolarPoint> points_;
    std::vector<double> factors_;
};

// The whole input turned by one walk seeded with seed.
SampleBuffer applyPhaseNoise(const SampleBuffer& input, const PhaseNoise& noise,
                             double samplingRateHz, std::uint32_t seed);

class PhaseNoiseStage final : public SampleSource {
  public:
    PhaseNoiseStage(SampleSource& upstream, const PhaseNoise& noise, double samplingRateHz,
                    std::uint32_t seed)
        : upstream_(upstream), walk_(phaseStepDeviation(noise, samplingRateHz), seed) {}

    std::size_t read(std::span<ComplexSample> out) override {
        const std::size_t count = upstream_.read(out);
        walk_.apply(out.first(count));
        return count;
    }

  private:
    SampleSource& upstream_;
    PhaseWalk walk_;
};

}  // namespace quorvel
