#pragma once
// The symbol data sources: a seeded random engine and two shift-register sequences.

#include <cstdint>
#include "common/MersenneTwister.h"

#include "common/Signal.h"
#include "synthesis/SignalParameters.h"

namespace quorvel {

// The published 32-bit Mersenne Twister; its output sequence is fixed by the C++ standard.
using SymbolEngine = MersenneTwister;

// Uniform index in 0 ... alphabetSize-1 by the multiply-high method (one engine output per index
// for the power-of-two alphabets the pipeline uses).
std::int32_t drawUniformIndex(SymbolEngine& engine, std::uint32_t alphabetSize);

// count indices of the Current Random source.
SymbolSequence drawRandomSymbols(std::int32_t alphabetSize, std::int32_t count, SymbolEngine& engine);

// count indices of the PRN 15 LFSR (register 0xAAAA at the start of every call).
SymbolSequence drawPrn15Symbols(std::int32_t alphabetSize, std::int32_t count);

// count indices of the PRN 7 LFSR (register 0x55 at the start of every call).
SymbolSequence drawPrn7Symbols(std::int32_t alphabetSize, std::int32_t count);

// Dispatches on the source; a source the panel does not offer gives count zeros.
SymbolSequence drawSymbols(DataSource source, std::int32_t alphabetSize, std::int32_t count,
                           SymbolEngine& engine);

}  // namespace quorvel
