#pragma once
// The complex gain of one fading path over time, with the classical (Jakes) Doppler spectrum of
// a receiver moving through scatterers all around it, made by a sum of sinusoids.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Impairments.h"
#include "common/MersenneTwister.h"
#include "common/Signal.h"

namespace quorvel {

// c[n] = sqrt(K / (K + 1)) e^(j phi0) + sqrt(1 / ((K + 1) M)) sum_m e^(j (2 pi fd cos(a_m) n / fs +
// phi_m)) over M = kSinusoids arrival angles a_m = (pi m - pi / 2 + theta_m / 2) / M, m = 1 ... M:
// one angle drawn in each of M equal sectors of the half circle, which holds every Doppler shift
// once, so that over the draws the autocorrelation is J0(2 pi fd tau) exactly and the mean power
// 1. K is 0 for Rayleigh; theta_m, phi_m and phi0 are uniform in [-pi, pi), drawn from the engine
// when the generator is made.
class FadingGenerator {
  public:
    static constexpr std::size_t kSinusoids = 16;

    FadingGenerator(const Fading& fading, double samplingRateHz, MersenneTwister& engine);

    // The gains of the next out.size() samples.
    void next(std::span<ComplexSample> out);

  private:
    // Each sinusoid turns by one fixed step per sample; every kAnchorSamples samples its phasor is
    // formed afresh from the sample index, so rounding cannot build up over a long file.
    static constexpr std::uint64_t kAnchorSamples = 1024;

    void anchor();
    // The gains of out.size() samples that stay before the next anchor.
    void turn(std::span<ComplexSample> out);

    std::array<double, kSinusoids> radiansPerSample_{};
    std::array<double, kSinusoids> startPhase_{};
    std::array<double, kSinusoids> stepI_{};
    std::array<double, kSinusoids> stepQ_{};
    std::array<double, kSinusoids> phasorI_{};
    std::array<double, kSinusoids> phasorQ_{};
    ComplexSample direct_{};
    double scatteredScale_ = 0.0;
    std::uint64_t next_ = 0;
};

}  // namespace quorvel
