#pragma once
// The transmit pulses: root raised cosine, raised cosine and Gaussian, cut to a span of symbols
// and scaled to unit energy at the sampling rate, so that a receiver's matched filter returns the
// symbol points themselves.

#include <cstdint>

#include "common/Transmitter.h"

namespace quorvel {

// The pulse at t [symbol periods] from its centre before scaling (1 at t = 0 for the cosine
// pulses); 0 beyond half the span. rolloff is the roll-off factor, or BT for the Gaussian pulse.
double unscaledPulse(PulseShape shape, double rolloff, double spanSymbols, double t);

class PulseFilter {
public:
    PulseFilter(PulseShape shape, double rolloff, std::int32_t spanSymbols, double samplesPerSymbol);

    // The scaled pulse at t [symbol periods]; the samples of h at any one phase then have a sum
    // of squares of 1, to the accuracy of sampling a band-limited pulse.
    double at(double t) const { return scale_ * unscaledPulse(shape_, rolloff_, span_, t); }
    double halfSpan() const { return 0.5 * span_; }
    // The largest sum of |h| over one phase's taps: by how much shaping can raise a peak.
    double peakGain() const;

private:
    PulseShape shape_;
    double rolloff_;
    double span_;
    double scale_ = 1.0;
};

}  // namespace quorvel
