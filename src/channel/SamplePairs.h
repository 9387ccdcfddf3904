#pragma once
// A complex sample as one pair of doubles, so that the filter loops compute I and Q in the same
// instruction: the same IEEE operations as the scalar expressions, in the same order, so the
// same bits, on every target the compiler's vector extension supports.

#include <cstring>

#include "common/Lanes.h"
#include "common/Signal.h"
#include "common/WideKernel.h"

namespace quorvel {

using DoublePair = DoubleLanes<2>;

// Two samples side by side: the loops that make two outputs at once. Where the processor has
// 256-bit vectors (the kernels built for them below), one instruction; elsewhere the compiler
// makes it two pair instructions, with the same bits either way.
using DoubleQuad = DoubleLanes<4>;


inline DoublePair pairOf(const ComplexSample& s) {
    DoublePair v;
    std::memcpy(&v, &s, sizeof v);
    return v;
}

inline ComplexSample sampleOf(DoublePair v) {
    return {v[0], v[1]};
}

// a b as operator* of two samples rounds it: (a.i b.i - a.q b.q, a.q b.i + a.i b.q). Kept in one
// register: a product split into two scalars and read back as a pair stalls on the store.
inline DoublePair productOf(DoublePair a, DoublePair b) {
    const DoublePair turned{-b[1], b[0]};
    return DoublePair{a[0], a[0]} * b + DoublePair{a[1], a[1]} * turned;
}

}  // namespace quorvel
