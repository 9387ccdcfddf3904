#pragma once
// A receiver's DC offset: the constant its mixer's leakage adds to every sample.

#include <span>

#include "common/Signal.h"

namespace quorvel {

// Adds offset to every sample; in place, memoryless.
inline void addDcOffset(std::span<ComplexSample> samples, ComplexSample offset) {
    for (ComplexSample& s : samples) {
        s = s + offset;
    }
}

}  // namespace quorvel
