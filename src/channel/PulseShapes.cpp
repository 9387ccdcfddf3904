#include "channel/PulseShapes.h"

#include <algorithm>
#include <cmath>
#include <optional>

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
    // A sample meets at most span + 2 symbols' pulses.
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
    if (turnCosA_.size() < steps) {
        for (int j = 0; j < count; ++j) {
            out[j] = at(t0 - j);
        }
        return;
    }
    // Without a branch, so that the taps go in vector lanes; the few the closed form cannot give
    // are mended below.
    const double beta = rolloff_;
    const bool rrc = shape_ == PulseShape::RootRaisedCosine;
    const double width = rrc ? 4.0 * beta : 2.0 * beta;
    for (std::size_t j = 0; j < steps; ++j) {
        const double t = t0 - static_cast<double>(j);
        const double sinA = angles.sinA * turnCosA_[j] - angles.cosA * turnSinA_[j];  // sin(A t)
        const double cosB = angles.cosB * turnCosB_[j] + angles.sinB * turnSinB_[j];  // cos(B t)
        const double x = width * t;
        out[j] = rrc ? scale_ * (sinA + x * cosB) / (Pi * t * (1.0 - x * x))
                     : scale_ * (sinA * cosB) / (Pi * t * (1.0 - x * x));
    }
    // Near t = 0 and the roll-off's edge numerator and denominator both near 0, and the turned
    // angles' rounding (absolute, unlike a sine's of a small argument) is divided by the distance:
    // there, and beyond the span, the direct form decides.
    constexpr double kNearZero = 1e-2;
    const double edge = 1.0 / width;
    for (std::size_t j = 0; j < steps; ++j) {
        const double t = t0 - static_cast<double>(j);
        if (std::abs(t) > 0.5 * span_ || std::abs(t) < kNearZero || std::abs(std::abs(t) - edge) < kNearZero) {
            out[j] = at(t);
        }
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
