#include "dataset/SceneMaking.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "channel/DcOffset.h"
#include "channel/IqImbalance.h"
#include "channel/PhaseNoise.h"
#include "channel/RateConversion.h"
#include "channel/WhiteGaussianNoise.h"
#include "common/SeedSource.h"

namespace quorvel {
namespace {

// Samples between exact phases; the rotation in between is a product, whose rounding stays
// far below the noise over so few steps.
constexpr std::size_t kExactPhaseEvery = 256;

// Turns the samples of one box to its centre, the phase at its first sample `phase` [rad], and
// returns the phase after its last.
double shift(std::span<ComplexSample> samples, double centreHz, double rateHz, double phase) {
    const double step = 2.0 * Pi * centreHz / rateHz;
    const std::complex<double> turn = std::polar(1.0, step);
    std::complex<double> rotor;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        if (n % kExactPhaseEvery == 0) {
            rotor = std::polar(1.0, phase + step * static_cast<double>(n));
        }
        const std::complex<double> s = std::complex<double>(samples[n].i, samples[n].q) * rotor;
        samples[n] = {s.real(), s.imag()};
        rotor *= turn;
    }
    return std::remainder(phase + step * static_cast<double>(samples.size()), 2.0 * Pi);
}

// Raised-cosine ramps of up to `ramp` samples at both ends, the rest scaled by `amplitude`.
void gate(std::span<ComplexSample> samples, std::uint32_t ramp, double amplitude) {
    const std::size_t length = samples.size();
    const std::size_t r = std::min<std::size_t>(ramp, length / 2);
    for (std::size_t n = 0; n < length; ++n) {
        double w = amplitude;
        const std::size_t edge = std::min(n, length - 1 - n);
        if (edge < r) {
            w *= 0.5 - 0.5 * std::cos(Pi * (static_cast<double>(edge) + 0.5) / static_cast<double>(r));
        }
        samples[n] = {samples[n].i * w, samples[n].q * w};
    }
}

// The receiver's impairments in the order of the single-capture chain: its oscillator's offset
// and phase noise turn what arrives, its I and Q branches then mismatch, and its mixer's leakage
// adds the constant.
void receive(const ReceiverPlan& r, double rateHz, std::span<ComplexSample> samples) {
    if (r[ReceiverKey::FrequencyOffset] != 0.0) {
        shift(samples, r[ReceiverKey::FrequencyOffset], rateHz, 0.0);
    }
    if (r.phaseNoise) {
        const PhaseNoise noise{r[ReceiverKey::PhaseNoiseLevel], r[ReceiverKey::PhaseNoiseOffset]};
        PhaseWalk(phaseStepDeviation(noise, rateHz), r.phaseNoiseSeed).apply(samples);
    }
    applyIqImbalance(samples,
                     {r[ReceiverKey::IqImbalanceAmplitude], r[ReceiverKey::IqImbalancePhase]});
    addDcOffset(samples, {r[ReceiverKey::DcOffsetI], r[ReceiverKey::DcOffsetQ]});
}

}  // namespace

void makeEmitter(const SceneSettings& s, const EmitterPlan& e, EmitterSamples& out) {
    const std::uint64_t first = e.boxes.front().sampleStart;
    const std::uint64_t end = e.boxes.back().sampleStart + e.boxes.back().sampleCount;
    const std::uint64_t count = end - first;
    CaptureSamples own;
    const std::size_t ownSamples = emitterOwnSamples(s, e.ownRateHz, count);
    makeCapture(e.waveform, static_cast<std::uint32_t>(ownSamples), own);
    out.first = first;
    raiseSamplingRate(own.samples, e.ownRateHz, s.samplingRateHz, emitterLeadSamples(s, e.ownRateHz),
                      static_cast<std::size_t>(count), out.samples);
    double phase = 0.0;
    for (const EmitterBox& box : e.boxes) {
        const std::span<ComplexSample> part =
            std::span(out.samples).subspan(static_cast<std::size_t>(box.sampleStart - first), static_cast<std::size_t>(box.sampleCount));
        phase = shift(part, 0.5 * (box.lowerHz + box.upperHz), s.samplingRateHz, phase);
        gate(part, s.rampSamples, e.amplitude);
    }
}

void makeScene(const DatasetRecipe& recipe, const ScenePlan& plan, CaptureSamples& out) {
    const SceneSettings& s = *recipe.scene;
    out.samples.assign(recipe.samplesPerCapture, ComplexSample{});
    out.scale = 1.0;
    EmitterSamples emitter;
    for (const EmitterPlan& e : plan.emitters) {
        makeEmitter(s, e, emitter);
        ComplexSample* to = out.samples.data() + emitter.first;
        for (const ComplexSample& v : emitter.samples) {
            to->i += v.i;
            to->q += v.q;
            ++to;
        }
    }
    out.signalPower = meanPower(out.samples);
    if (plan.receiver) {
        receive(*plan.receiver, s.samplingRateHz, out.samples);
    }
    const SeedSource seeds = counterSeeds(plan.key);
    // Power 1 per sample: each component carries half.
    NoiseGenerator noise(std::sqrt(0.5), seeds(), NoiseDraws::CounterBoxMuller);
    noise.addTo(out.samples);
}

}  // namespace quorvel
