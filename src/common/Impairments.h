#pragma once
// The hardware and channel impairments a run may add, each off by default. The transmitter's
// amplifier acts before the mixing; the clock, the propagation and the oscillator after the
// frequency offset; the receiver's IQ imbalance and DC offset after the noise.

#include <optional>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

// The Rapp model's AM/AM curve: |y| = |x| / (1 + (|x| / A)^(2P))^(1/(2P)), phase kept.
struct RappCompression {
    double smoothness = 1.0;  // P, above 0
    double saturation = 1.0;  // A, the output amplitude approached as |x| grows, above 0

    friend bool operator==(const RappCompression&, const RappCompression&) = default;
};

// One static path of a multipath channel.
struct MultipathTap {
    double delaySamples = 0.0;  // fractional allowed, 0 or more
    double gainDb = 0.0;        // amplitude gain [dB]
    double phaseDegrees = 0.0;
    bool fades = true;          // with fading; a line-of-sight path holds still

    friend bool operator==(const MultipathTap&, const MultipathTap&) = default;
};

enum class FadingModel { Rayleigh, Rician };

// Flat fading of mean power gain 1 with the classical Doppler spectrum.
struct Fading {
    FadingModel model = FadingModel::Rayleigh;
    double kFactor = 0.0;    // Rician K (linear): power of the direct path over the scattered paths
    double dopplerHz = 0.0;  // maximum Doppler frequency [Hz]

    friend bool operator==(const Fading&, const Fading&) = default;
};

// Random-walk phase noise of single-sideband level L at offset F.
struct PhaseNoise {
    double levelDbcPerHz = 0.0;  // L [dBc/Hz]
    double offsetHz = 0.0;       // F [Hz], above 0

    friend bool operator==(const PhaseNoise&, const PhaseNoise&) = default;
};

// Amplitude and phase mismatch between the receiver's I and Q branches; 0, 0 is none.
struct IqImbalance {
    double amplitudeDb = 0.0;
    double phaseDegrees = 0.0;

    friend bool operator==(const IqImbalance&, const IqImbalance&) = default;
};

struct Impairments {
    std::optional<RappCompression> amplifier{};
    double clockOffsetPpm = 0.0;  // the sampling clock runs this much fast (negative: slow)
    std::vector<MultipathTap> multipath{};  // empty: a single direct path
    std::optional<Fading> fading{};         // with taps, every tap fades on its own
    std::optional<PhaseNoise> phaseNoise{};
    IqImbalance iqImbalance{};
    ComplexSample dcOffset{};  // added to every sample

    bool hasIqImbalance() const { return iqImbalance != IqImbalance{}; }
    bool hasDcOffset() const { return dcOffset != ComplexSample{}; }

    friend bool operator==(const Impairments&, const Impairments&) = default;
};

}  // namespace quorvel
