#include "channel/PulseShapes.h"

#include <algorithm>
#include <cmath>

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
    // The energy of the continuous pulse by Simpson's rule; its samples at any phase, spaced
    // 1 / samplesPerSymbol apart, sum to samplesPerSymbol times it.
    constexpr int kStepsPerSymbol = 256;
    const int steps = kStepsPerSymbol * std::max(1, spanSymbols);
    const double h = span_ / steps;
    double sum = 0.0;
    for (int k = 0; k <= steps; ++k) {
        const double value = unscaledPulse(shape_, rolloff_, span_, -0.5 * span_ + k * h);
        const double weight = (k == 0 || k == steps) ? 1.0 : (k % 2 == 1 ? 4.0 : 2.0);
        sum += weight * value * value;
    }
    const double energy = sum * h / 3.0;
    scale_ = 1.0 / std::sqrt(energy * samplesPerSymbol);
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
