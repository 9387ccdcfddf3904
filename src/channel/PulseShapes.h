#pragma once
// The transmit pulses: root raised cosine, raised cosine and Gaussian, cut to a span of symbols
// and scaled to unit energy at the sampling rate, so that a receiver's matched filter returns the
// symbol points themselves.

#include <cstdint>
#include <span>
#include <vector>

#include "common/Transmitter.h"

namespace quorvel {

// The pulse at t [symbol periods] from its centre before scaling (1 at t = 0 for the cosine
// pulses); 0 beyond half the span. rolloff is the roll-off factor, or BT for the Gaussian pulse.
double unscaledPulse(PulseShape shape, double rolloff, double spanSymbols, double t);

// The cosine pulses' closed forms at t [symbol periods] take the cos and sin of two angles, each
// a fixed rate times t.
struct PulseAngles {
    double cosA = 1.0;
    double sinA = 0.0;
    double cosB = 1.0;
    double sinB = 0.0;
};

// The angles at t + u from those at t and at u (angle addition).
inline PulseAngles addAngles(const PulseAngles& t, const PulseAngles& u) {
    return {t.cosA * u.cosA - t.sinA * u.sinA, t.sinA * u.cosA + t.cosA * u.sinA,
            t.cosB * u.cosB - t.sinB * u.sinB, t.sinB * u.cosB + t.cosB * u.sinB};
}

class PulseFilter {
public:
    PulseFilter(PulseShape shape, double rolloff, std::int32_t spanSymbols, double samplesPerSymbol);

    // The scaled pulse at t [symbol periods]; the samples of h at any one phase then have a sum
    // of squares of 1, to the accuracy of sampling a band-limited pulse.
    double at(double t) const { return scale_ * unscaledPulse(shape_, rolloff_, span_, t); }
    // True for the cosine pulses, whose taps atWholeSteps forms from the angles at t0.
    bool hasAngles() const { return !turnCosA_.empty(); }
    PulseAngles anglesAt(double t) const;
    // For samples k = 0 ... t0.size() - 1, the scaled pulse at t0[k] - j, j = 0 ... count - 1, into
    // out[j * t0.size() + k]; angles[k] are those at t0[k] (unused by the pulses without). The
    // angles of each tap are those of t0 turned back by whole symbols, so a tap costs no sine or
    // cosine of its own, and the samples of a block share each tap's vector instructions.
    void atWholeSteps(std::span<const double> t0, const PulseAngles* angles, int count, double* out) const;
    double halfSpan() const { return 0.5 * span_; }
    // The largest sum of |h| over one phase's taps: by how much shaping can raise a peak.
    double peakGain() const;

private:
    PulseShape shape_;
    double rolloff_;
    double span_;
    double scale_ = 1.0;
    // The angle rates [radians per symbol period] of a cosine pulse's closed form, and their cos
    // and sin at j = 0, 1, ... whole symbols; empty for the other pulses.
    double rateA_ = 0.0;
    double rateB_ = 0.0;
    std::vector<double> turnCosA_, turnSinA_, turnCosB_, turnSinB_;
};

}  // namespace quorvel
