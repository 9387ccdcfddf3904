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

// The closed form of the taps at t0 - j, four lanes at a time and the rest one by one, with the
// same operations either way. The 0/0 points give what they give; the caller mends them.
template <typename Value>
[[gnu::always_inline]] inline void cosineTap(const Value& cosA, const Value& sinA, const Value& cosB,
                                             const Value& sinB, const PulseAngles& a, const Value& t, bool rrc,
                                             double width, double scale, Value& tap) {
    const Value sinAt = a.sinA * cosA - a.cosA * sinA;  // sin(A t), from the angles at t0
    const Value cosBt = a.cosB * cosB + a.sinB * sinB;  // cos(B t)
    const Value x = width * t;
    const Value numerator = rrc ? sinAt + x * cosBt : sinAt * cosBt;
    tap = scale * numerator / (Pi * t * (1.0 - x * x));
}

QUORVEL_WIDE_KERNEL void cosinePulseTaps(const Turns& turns, const PulseAngles& angles, double t0, bool rrc,
                                         double width, double scale, std::size_t count, double* out) {
    std::size_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const auto first = static_cast<double>(j);
        const DoubleQuad t = t0 - DoubleQuad{first, first + 1.0, first + 2.0, first + 3.0};
        DoubleQuad cosA, sinA, cosB, sinB;
        std::memcpy(&cosA, turns.cosA + j, sizeof cosA);
        std::memcpy(&sinA, turns.sinA + j, sizeof sinA);
        std::memcpy(&cosB, turns.cosB + j, sizeof cosB);
        std::memcpy(&sinB, turns.sinB + j, sizeof sinB);
        DoubleQuad v;
        cosineTap(cosA, sinA, cosB, sinB, angles, t, rrc, width, scale, v);
        std::memcpy(out + j, &v, sizeof v);
    }
    for (; j < count; ++j) {
        cosineTap(turns.cosA[j], turns.sinA[j], turns.cosB[j], turns.sinB[j], angles, t0 - static_cast<double>(j), rrc,
                  width, scale, out[j]);
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

void PulseFilter::atWholeSteps(double t0, const PulseAngles& angles, int count, double* out) const {
    const auto steps = static_cast<std::size_t>(count);
    if (!hasAngles()) {
        for (int j = 0; j < count; ++j) {
            out[j] = at(t0 - j);
        }
        return;
    }
    const bool rrc = shape_ == PulseShape::RootRaisedCosine;
    const double width = (rrc ? 4.0 : 2.0) * rolloff_;
    cosinePulseTaps({turnCosA_.data(), turnSinA_.data(), turnCosB_.data(), turnSinB_.data()}, angles, t0, rrc, width,
                    scale_, steps, out);
    // Near t = 0 and the roll-off's edge numerator and denominator both near 0, and the turned
    // angles' rounding (absolute, unlike a sine's of a small argument) is divided by the distance:
    // there, and beyond the span, the direct form decides.
    constexpr double kNearZero = 1e-2;
    const double edge = 1.0 / width;
    for (const double centre : {0.0, edge, -edge}) {
        const double nearest = std::round(t0 - centre);
        if (nearest >= 0.0 && nearest < static_cast<double>(steps) && std::abs(t0 - nearest - centre) < kNearZero) {
            out[static_cast<std::size_t>(nearest)] = at(t0 - nearest);
        }
    }
    for (std::size_t j = 0; j < steps && t0 - static_cast<double>(j) > 0.5 * span_; ++j) {
        out[j] = 0.0;
    }
    for (std::size_t j = steps; j > 0 && t0 - static_cast<double>(j - 1) < -0.5 * span_; --j) {
        out[j - 1] = 0.0;
    }
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
