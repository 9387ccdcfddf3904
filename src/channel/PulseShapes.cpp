#include "channel/PulseShapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "channel/SamplePairs.h"
#include "common/Signal.h"

namespace quorvel {
namespace {

// Where a closed form divides 0 by 0, its limit is used within this distance [symbol periods].
constexpr double kSingularity = 1e-9;

double sinc(double x) {
    return std::abs(x) < kSingularity ? 1.0 : std::sin(Pi * x) / (Pi * x);
}

double rootRaisedCosine(double beta, double t) {
    if (std::abs(t) < kSingularity) {
        return 1.0 - beta + 4.0 * beta / Pi;
    }
    if (beta > 0.0 && std::abs(std::abs(t) - 1.0 / (4.0 * beta)) < kSingularity) {
        const double a = Pi / (4.0 * beta);
        return beta / std::sqrt(2.0) * ((1.0 + 2.0 / Pi) * std::sin(a) + (1.0 - 2.0 / Pi) * std::cos(a));
    }
    const double x = 4.0 * beta * t;
    return (std::sin(Pi * t * (1.0 - beta)) + x * std::cos(Pi * t * (1.0 + beta))) / (Pi * t * (1.0 - x * x));
}

double raisedCosine(double beta, double t) {
    if (beta > 0.0 && std::abs(std::abs(t) - 1.0 / (2.0 * beta)) < kSingularity) {
        return Pi / 4.0 * sinc(1.0 / (2.0 * beta));
    }
    const double x = 2.0 * beta * t;
    return sinc(t) * std::cos(Pi * beta * t) / (1.0 - x * x);
}

// The Gaussian filter of bandwidth-time product bt, in symbol periods.
double gaussian(double bt, double t) {
    return std::exp(-2.0 * Pi * Pi * bt * bt * t * t / std::log(2.0));
}

// The energy of the continuous pulse by Simpson's rule. It does not depend on the sampling, so a
// thread that makes many short runs of one pulse (a dataset) computes it once.
double pulseEnergy(PulseShape shape, double rolloff, std::int32_t spanSymbols) {
    struct Known {
        PulseShape shape;
        double rolloff;
        std::int32_t span;
        double energy;
    };
    thread_local std::optional<Known> last;
    if (last && last->shape == shape && last->rolloff == rolloff && last->span == spanSymbols) {
        return last->energy;
    }
    constexpr int kStepsPerSymbol = 256;
    const int steps = kStepsPerSymbol * std::max(1, spanSymbols);
    const double span = spanSymbols;
    const double h = span / steps;
    double sum = 0.0;
    for (int k = 0; k <= steps; ++k) {
        const double value = unscaledPulse(shape, rolloff, span, -0.5 * span + k * h);
        const double weight = (k == 0 || k == steps) ? 1.0 : (k % 2 == 1 ? 4.0 : 2.0);
        sum += weight * value * value;
    }
    const double energy = sum * h / 3.0;
    last = Known{shape, rolloff, spanSymbols, energy};
    return energy;
}

struct Turns {
    const double* cosA;
    const double* sinA;
    const double* cosB;
    const double* sinB;
};

// The closed form of one tap, at t = t0 - j from the angles at t0 and the turns of j symbols:
// four samples' taps at a time or one, with the same operations either way. The 0/0 points give
// what they give; the caller mends them.
template <typename Value, typename Turn>
[[gnu::always_inline]] inline void cosineTap(const Value& cosA, const Value& sinA, const Value& cosB,
                                             const Value& sinB, const Turn& turnCosA, const Turn& turnSinA,
                                             const Turn& turnCosB, const Turn& turnSinB, const Value& t, bool rrc,
                                             double width, double scale, Value& tap) {
    const Value sinAt = sinA * turnCosA - cosA * turnSinA;  // sin(A t)
    const Value cosBt = cosB * turnCosB + sinB * turnSinB;  // cos(B t)
    const Value x = width * t;
    const Value numerator = rrc ? sinAt + x * cosBt : sinAt * cosBt;
    tap = scale * numerator / (Pi * t * (1.0 - x * x));
}

// Where a closed form's numerator and denominator both near 0 (t = 0 and the roll-off's edges),
// the turned angles' rounding (absolute, unlike a sine's of a small argument) is divided by the
// distance: within this distance [symbol periods] the direct form decides.
constexpr double kNearZero = 1e-2;

// What is fixed of a cosine pulse's taps.
struct CosineForm {
    bool rrc;
    double width;  // 4 rolloff (rrc) or 2 rolloff (rc): the roll-off's edges are at t = +-1 / width
    double scale;
    double halfSpan;
};

template <typename Value, typename Mask>
[[gnu::always_inline]] inline void nearZero(const Value& t, double edge, Mask& near) {
    const Value above = t - edge;
    const Value below = t + edge;
    near = (t > -kNearZero && t < kNearZero) || (above > -kNearZero && above < kNearZero) ||
           (below > -kNearZero && below < kNearZero);
}

QUORVEL_WIDE_KERNEL void cosinePulseTaps(const PulseFilter& filter, const Turns& turns, const CosineForm& form,
                                         std::span<const double> t0, const PulseAngles* angles, std::size_t count,
                                         double* out) {
    const std::size_t samples = t0.size();
    const double edge = 1.0 / form.width;
    const double half = form.halfSpan;
    std::size_t k = 0;
    for (; k + 4 <= samples; k += 4) {
        const PulseAngles* a = angles + k;
        const DoubleQuad start = {t0[k], t0[k + 1], t0[k + 2], t0[k + 3]};
        const DoubleQuad cosA = {a[0].cosA, a[1].cosA, a[2].cosA, a[3].cosA};
        const DoubleQuad sinA = {a[0].sinA, a[1].sinA, a[2].sinA, a[3].sinA};
        const DoubleQuad cosB = {a[0].cosB, a[1].cosB, a[2].cosB, a[3].cosB};
        const DoubleQuad sinB = {a[0].sinB, a[1].sinB, a[2].sinB, a[3].sinB};
        for (std::size_t j = 0; j < count; ++j) {
            const DoubleQuad t = start - static_cast<double>(j);
            DoubleQuad v;
            cosineTap(cosA, sinA, cosB, sinB, turns.cosA[j], turns.sinA[j], turns.cosB[j], turns.sinB[j], t, form.rrc,
                      form.width, form.scale, v);
            const DoubleQuad zero = {};
            v = (t > half || t < -half) ? zero : v;
            std::memcpy(out + j * samples + k, &v, sizeof v);
            decltype(t > t) near;
            nearZero(t, edge, near);
            if ((near[0] | near[1] | near[2] | near[3]) != 0) {
                for (std::size_t lane = 0; lane < 4; ++lane) {
                    if (near[lane] != 0) {
                        out[j * samples + k + lane] = filter.at(t[lane]);
                    }
                }
            }
        }
    }
    for (; k < samples; ++k) {
        const PulseAngles& a = angles[k];
        for (std::size_t j = 0; j < count; ++j) {
            const double t = t0[k] - static_cast<double>(j);
            double& tap = out[j * samples + k];
            bool near = false;
            nearZero(t, edge, near);
            if (near) {
                tap = filter.at(t);
            } else if (t > half || t < -half) {
                tap = 0.0;
            } else {
                cosineTap(a.cosA, a.sinA, a.cosB, a.sinB, turns.cosA[j], turns.sinA[j], turns.cosB[j], turns.sinB[j],
                          t, form.rrc, form.width, form.scale, tap);
            }
        }
    }
}

}  // namespace

double unscaledPulse(PulseShape shape, double rolloff, double spanSymbols, double t) {
    if (std::abs(t) > 0.5 * spanSymbols) {
        return 0.0;
    }
    switch (shape) {
        case PulseShape::RootRaisedCosine: return rootRaisedCosine(rolloff, t);
        case PulseShape::RaisedCosine: return raisedCosine(rolloff, t);
        case PulseShape::Gaussian: return gaussian(rolloff, t);
        case PulseShape::Linear: break;
    }
    return std::max(0.0, 1.0 - std::abs(t));
}

PulseFilter::PulseFilter(PulseShape shape, double rolloff, std::int32_t spanSymbols, double samplesPerSymbol)
    : shape_(shape), rolloff_(rolloff), span_(spanSymbols) {
    // Its samples at any phase, spaced 1 / samplesPerSymbol apart, sum to samplesPerSymbol times
    // the continuous pulse's energy.
    scale_ = 1.0 / std::sqrt(pulseEnergy(shape, rolloff, spanSymbols) * samplesPerSymbol);
    switch (shape) {
        case PulseShape::RootRaisedCosine:
            rateA_ = Pi * (1.0 - rolloff);
            rateB_ = Pi * (1.0 + rolloff);
            break;
        case PulseShape::RaisedCosine:
            rateA_ = Pi;
            rateB_ = Pi * rolloff;
            break;
        case PulseShape::Gaussian:
        case PulseShape::Linear: return;
    }
    // A sample meets at most span + 2 symbols' pulses: atWholeSteps never asks for more turns.
    for (std::int32_t j = 0; j < std::max(1, spanSymbols) + 2; ++j) {
        turnCosA_.push_back(std::cos(rateA_ * j));
        turnSinA_.push_back(std::sin(rateA_ * j));
        turnCosB_.push_back(std::cos(rateB_ * j));
        turnSinB_.push_back(std::sin(rateB_ * j));
    }
}

PulseAngles PulseFilter::anglesAt(double t) const {
    return {std::cos(rateA_ * t), std::sin(rateA_ * t), std::cos(rateB_ * t), std::sin(rateB_ * t)};
}

void PulseFilter::atWholeSteps(std::span<const double> t0, const PulseAngles* angles, int count, double* out) const {
    const auto steps = static_cast<std::size_t>(count);
    const std::size_t samples = t0.size();
    if (!hasAngles()) {
        for (std::size_t k = 0; k < samples; ++k) {
            for (std::size_t j = 0; j < steps; ++j) {
                out[j * samples + k] = at(t0[k] - static_cast<double>(j));
            }
        }
        return;
    }
    const bool rrc = shape_ == PulseShape::RootRaisedCosine;
    // Beyond the span the taps are 0, and near the 0/0 points the direct form's.
    cosinePulseTaps(*this, {turnCosA_.data(), turnSinA_.data(), turnCosB_.data(), turnSinB_.data()},
                    {.rrc = rrc, .width = (rrc ? 4.0 : 2.0) * rolloff_, .scale = scale_, .halfSpan = 0.5 * span_}, t0,
                    angles, steps, out);
}

double PulseFilter::peakGain() const {
    constexpr int kPhases = 64;
    double peak = 0.0;
    for (int phase = 0; phase < kPhases; ++phase) {
        const double offset = static_cast<double>(phase) / kPhases;
        double sum = 0.0;
        for (double t = -halfSpan() - 1.0 + offset; t <= halfSpan() + 1.0; t += 1.0) {
            sum += std::abs(at(t));
        }
        peak = std::max(peak, sum);
    }
    return peak;
}

}  // namespace quorvel
