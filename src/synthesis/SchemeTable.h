#pragma once
// What each modulation type means to the pipeline: its alphabet and its mapper.

#include <cstdint>

#include "common/Signal.h"
#include "synthesis/SignalParameters.h"

namespace quorvel {

// Number of distinct symbol indices of the chosen scheme and order; 0 when the type is unknown
// or the APSK order has no ring table.
std::int32_t alphabetSize(const SignalParameters& parameters);

// True for the schemes whose mapper gives one point per symbol, which are then resampled; the
// frequency-keyed schemes produce samples at the sampling rate themselves.
bool mapsOnePointPerSymbol(ModulationType type);

// The APSK ring radii a run uses: the order's defaults unless the radii text holds two or more numbers.
std::vector<double> apskRadiiForRun(const SignalParameters& parameters);

// The mapper output of the scheme: one point per symbol, or samples at the sampling rate for
// FSK, MSK and GMSK. Empty when the mapper refuses the order or ring table.
SampleBuffer mapSymbols(const SymbolSequence& symbols, const SignalParameters& parameters);

}  // namespace quorvel
