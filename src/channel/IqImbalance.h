#pragma once
// The receiver's I and Q branches mismatched in gain and phase.

#include <span>

#include "common/Impairments.h"
#include "common/Signal.h"

namespace quorvel {

// y = gI Re(x) + j gQ Im(x), gI = 10^(A/40) e^(-j phi/2), gQ = 10^(-A/40) e^(+j phi/2), for an
// amplitude imbalance A [dB] and a phase imbalance phi; in place, memoryless.
void applyIqImbalance(std::span<ComplexSample> samples, const IqImbalance& imbalance);

}  // namespace quorvel
