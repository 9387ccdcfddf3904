#pragma once
// A waveform's nominal mean power: what its own stage hands on, each index equally often, before
// any pulse or channel stage. The streams that sum several signals scale them by it.

#include "common/SignalParameters.h"

namespace quorvel {

// The mean |a|^2 of the symbol-rate schemes' points over their whole alphabet (Gray coding only
// relabels them), and 1 for the schemes that make unit-magnitude samples themselves (the keyed
// schemes, the tone, chirp SS); an LFM pulse's length over its period with the gap; NaN for an
// unknown type, an order without a table or settings the family refuses.
double nominalMeanPower(const SignalParameters& parameters);

}  // namespace quorvel
