#pragma once
// Gaussian minimum-shift keying: MSK whose frequency pulse passes a Gaussian low-pass filter.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

// Bandwidth-time product of the Gaussian filter. 0.3 is GSM's value and the customary default
// for GMSK test signals: the spectrum is far tighter than MSK's at a modest intersymbol
// interference, so receivers are exercised the way deployed GMSK systems exercise them.
inline constexpr double kGmskBandwidthTime = 0.3;

// Fraction (0 ... 1) of one symbol's phase step completed timeSymbols symbol periods after the
// centre of that symbol: the integral of the Gaussian-filtered rectangular frequency pulse,
// 0 from 3 symbol periods before the centre and 1 from 3 after.
double gmskPhasePulse(double timeSymbols);

// MSK's phase path (+-pi/2 [rad] per symbol, index 1 up, continuous) with each step spread by
// gmskPhasePulse centred on its symbol; floor(samplesPerSymbol) unit-magnitude samples per
// symbol, sample n of symbol k at k + n / samplesPerSymbol symbol periods, as for MSK.
// Empty when that many samples cannot be held.
SampleBuffer modulateGmsk(const SymbolSequence& symbols, double samplesPerSymbol);

// The same mapping a piece at a time for a sequence of symbolCount symbols: a symbol's samples
// are appended once the symbols its pulse overlaps have arrived, so the pieces appended together
// equal modulateGmsk of the whole sequence.
class GmskMapper {
public:
    GmskMapper(std::size_t symbolCount, double samplesPerSymbol);
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    std::size_t count_;
    std::size_t perSymbol_;
    std::vector<double> pulse_;
    std::vector<std::int32_t> window_;  // symbols from index first_ on
    std::size_t first_ = 0;
    std::size_t next_ = 0;  // symbol whose samples come next
    double settledPhase_ = 0.0;
};

}  // namespace quorvel
