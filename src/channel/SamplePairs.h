#pragma once
// A complex sample as one pair of doubles, so that the filter loops compute I and Q in the same
// instruction: the same IEEE operations as the scalar expressions, in the same order, so the
// same bits, on every target the compiler's vector extension supports.

#include <cstring>

#include "common/Signal.h"

namespace quorvel {

using DoublePair = double __attribute__((vector_size(16)));

inline DoublePair pairOf(const ComplexSample& s) {
    DoublePair v;
    std::memcpy(&v, &s, sizeof v);
    return v;
}

inline ComplexSample sampleOf(DoublePair v) {
    return {v[0], v[1]};
}

}  // namespace quorvel
