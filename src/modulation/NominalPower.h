#pragma once
// A waveform's nominal mean power: what its own stage hands on, each index equally often, before
// any pulse or channel stage. The streams that sum several signals scale them by it.

#include <cstdint>

#include "common/Signal.h"
#include "common/SignalParameters.h"

namespace quorvel {

// The largest alphabet whose points are summed for a nominal power: a million points take
// milliseconds, while an order near 2^31 (which only programmatic callers can pass) would take
// minutes; runs that need the sums refuse larger ones.
inline constexpr std::int32_t kMaxSummedAlphabet = 1 << 20;

// The sums of |a|^2, of a itself and the count over indices 0 .. size - 1 mapped with the given
// settings, added in index order. The points are mapped a block at a time, so no buffer of the
// alphabet's size is needed; only stateless mappers have alphabets larger than one block.
struct AlphabetSums {
    double power = 0.0;
    ComplexSample point;
    std::int64_t count = 0;
};
AlphabetSums sumAlphabet(const SignalParameters& mapping, std::int32_t size);

// The mean |a|^2 of the symbol-rate schemes' points over their whole alphabet (Gray coding only
// relabels them), and 1 for the schemes that make unit-magnitude samples themselves (the keyed
// schemes, the tone, chirp SS); an LFM pulse's length over its period with the gap; NaN for an
// unknown type, an order without a table or settings the family refuses.
double nominalMeanPower(const SignalParameters& parameters);

}  // namespace quorvel
