#pragma once
// Straight-line interpolation in a table of (abscissa, sample) pairs, shared by the resampling
// and timing-error stages.

#include <vector>

#include "common/Signal.h"

namespace quorvel {

// The line through (x0, y0) and (x1, y1) read at t; y0 when the two abscissae coincide.
// Every interpolating stage goes through this one expression so that its fast searches give
// the same bits as the table search below.
inline ComplexSample interpolateSegment(double x0, double x1, const ComplexSample& y0,
                                        const ComplexSample& y1, double t) {
    if (x1 == x0) {
        return y0;
    }
    const double frac = (t - x0) / (x1 - x0);
    return {(y1.i - y0.i) * frac + y0.i, (y1.q - y0.q) * frac + y0.q};
}

// Sample at t (same unit as the ascending abscissae), holding the end values outside the table;
// (0, 0) for an empty or mismatched table, the first sample for a t that is not a number.
ComplexSample interpolateLinear(const std::vector<double>& abscissae, const SampleBuffer& samples,
                                double t);

}  // namespace quorvel
