#pragma once
// Gaussian frequency-shift keying: M-ary CPFSK whose rectangular frequency pulse passes a
// Gaussian low-pass filter of bandwidth-time product BT. Level a = 2k - (M-1) of index k turns
// the phase by pi h a in all, spread over the symbols its filtered pulse overlaps.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

// Symbols either side of a symbol's own that its pulse still moves: the pulse is cut four
// standard deviations of the Gaussian beyond the rectangle's edges, where the frequency pulse
// has fallen below 1e-4 of its peak.
std::size_t gfskPulseNeighbours(double bandwidthTime);

// Fraction (0 ... 1) of one symbol's phase turn completed timeSymbols symbol periods after that
// symbol's centre, cut at gfskPulseNeighbours + 1/2 either way and rescaled to reach 0 and 1
// exactly there, so the phase stays continuous where a pulse is cut.
double gfskPhasePulse(double timeSymbols, double bandwidthTime);

// The mapping a piece at a time for a sequence of symbolCount symbols, perSymbol whole samples per
// symbol, sample n of symbol k at k + n / perSymbol symbol periods. A symbol's samples are
// appended once every symbol whose pulse reaches it has arrived, so the pieces appended together
// are the same however the sequence is cut.
class GfskMapper {
public:
    GfskMapper(int order, double modulationIndex, double bandwidthTime, std::size_t symbolCount,
               std::size_t perSymbol);
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    double turn(std::int32_t index) const;  // the symbol's whole phase turn [rad]

    int order_;
    double modulationIndex_;
    std::size_t neighbours_;
    std::size_t count_;
    std::size_t perSymbol_;
    std::vector<double> pulse_;  // [(r + neighbours) * perSymbol + n]: symbol k - r's pulse at sample n of k
    std::vector<std::int32_t> window_;  // symbols from index first_ on
    std::size_t first_ = 0;
    std::size_t next_ = 0;       // symbol whose samples come next
    double settledPhase_ = 0.0;  // the turns of the symbols whose pulses have ended [rad]
};

// The whole sequence's samples, as GfskMapper gives them.
SampleBuffer modulateGfsk(const SymbolSequence& symbols, int order, double modulationIndex, double bandwidthTime,
                          std::size_t perSymbol);

}  // namespace quorvel
