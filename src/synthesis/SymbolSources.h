#pragma once
// The symbol data sources: a seeded random engine and two shift-register sequences.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/MersenneTwister.h"
#include "common/Philox.h"

#include "common/Signal.h"
#include "common/SignalParameters.h"
#include "synthesis/BitSources.h"

namespace quorvel {

// The published 32-bit Mersenne Twister; its output sequence is fixed by the C++ standard.
using SymbolEngine = MersenneTwister;

// Uniform index in 0 ... alphabetSize-1 by the multiply-high method (one engine output per index
// for the power-of-two alphabets the pipeline uses).
std::int32_t drawUniformIndex(SymbolEngine& engine, std::uint32_t alphabetSize);

// Block `block` of the counter-based random indices under `key` (stream Symbols): out.size() of
// them (kSymbolsPerBlock, fewer for a file's last block), each by the multiply-high method from
// the block's next words, as drawUniformIndex takes the engine's.
void drawCounterSymbolBlock(std::uint32_t key, std::uint32_t alphabetSize, std::uint64_t block,
                            std::span<std::int32_t> out);

// The PRN 15 shift register: taps 14, 13, 11 and 4, starting from 0xAAAA in every file.
struct Prn15Register {
    std::uint32_t state = 0xAAAA;
    // Shifts once and returns the whole register, from which an index is taken modulo M.
    std::uint32_t next();
};

// The PRN 7 shift register: taps 6 and 5, eight bits wide, starting from 0x55 in every file.
struct Prn7Register {
    std::uint32_t state = 0x55;
    std::uint32_t next();
};

// count indices of the Current Random source.
SymbolSequence drawRandomSymbols(std::int32_t alphabetSize, std::int32_t count, SymbolEngine& engine);

// count indices of the PRN 15 LFSR (register 0xAAAA at the start of every call).
SymbolSequence drawPrn15Symbols(std::int32_t alphabetSize, std::int32_t count);

// count indices of the PRN 7 LFSR (register 0x55 at the start of every call).
SymbolSequence drawPrn7Symbols(std::int32_t alphabetSize, std::int32_t count);

// Dispatches on the source; a source the panel does not offer gives count zeros.
SymbolSequence drawSymbols(DataSource source, std::int32_t alphabetSize, std::int32_t count,
                           SymbolEngine& engine);

// The indices of one file drawn a piece at a time: the pieces together are exactly what
// drawSymbols gives for the whole file, and the engine is left where drawSymbols leaves it once
// every index has been read.
class SymbolStream {
public:
    SymbolStream(DataSource source, std::int32_t alphabetSize, std::int64_t count, SymbolEngine& engine);
    // The file's symbols as the run asks for them: from its bit source when it has one, else from
    // its data source, Gray-coded when asked. Random indices drawn by counter (drawsByCounter)
    // take the engine's next output as their key, and nothing more from it.
    SymbolStream(const SignalParameters& parameters, SymbolEngine& engine);

    // Fills out with the next indices; returns how many, fewer than out.size() only at the end.
    std::size_t read(std::span<std::int32_t> out);

    // Draws whatever the file has left, so that the engine is ready for the next file.
    void drawRest();

    std::int64_t remaining() const { return remaining_; }

private:
    void drawIndices(std::span<std::int32_t> indices);

    DataSource source_;
    std::uint32_t alphabetSize_;
    std::int64_t remaining_;
    SymbolEngine& engine_;
    Prn15Register prn15_;
    Prn7Register prn7_;
    std::optional<BitSymbols> bits_;
    // Counter-based random indices: the key, the draws of the block being read and the index of
    // the next symbol in the file.
    std::optional<std::uint32_t> counterKey_;
    std::optional<CounterDraws> counterBlock_;
    std::uint64_t drawn_ = 0;
    std::vector<std::int32_t> gray_;
};

// The whole file's symbols as SymbolStream(parameters, engine) gives them.
SymbolSequence drawFileSymbols(const SignalParameters& parameters, SymbolEngine& engine);

}  // namespace quorvel
