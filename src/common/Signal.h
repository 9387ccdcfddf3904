#pragma once
// The values that pass between the stages: complex samples, sample buffers and symbol indices.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "common/BufferAllocator.h"

namespace quorvel {

// Every angle in the program uses this one constant; it is bit-for-bit the arc cosine of -1.
inline constexpr double Pi = std::numbers::pi;

// One complex baseband value: i is the in-phase (real) part, q the quadrature (imaginary) part.
struct ComplexSample {
    double i = 0.0;
    double q = 0.0;

    friend bool operator==(const ComplexSample&, const ComplexSample&) = default;
};

// The unit that passes between stages, to the exporter and to the viewer.
using SampleBuffer = std::vector<ComplexSample, BufferAllocator<ComplexSample>>;

// Symbol indices in 0 ... M-1 of the chosen alphabet, in the order they were drawn.
using SymbolSequence = std::vector<std::int32_t>;

// rho * e^(j theta).
inline ComplexSample polar(double rho, double theta) {
    return {rho * std::cos(theta), rho * std::sin(theta)};
}

// The complex product, written out so that its rounding is the same on every platform.
inline ComplexSample operator*(const ComplexSample& a, const ComplexSample& b) {
    return {a.i * b.i - a.q * b.q, a.q * b.i + a.i * b.q};
}

inline ComplexSample operator+(const ComplexSample& a, const ComplexSample& b) {
    return {a.i + b.i, a.q + b.q};
}

inline ComplexSample operator-(const ComplexSample& a, const ComplexSample& b) {
    return {a.i - b.i, a.q - b.q};
}

}  // namespace quorvel
