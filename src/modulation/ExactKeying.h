#pragma once
// FSK, MSK and GMSK on the exact symbol grid: sample n lies n Rs / fs symbol periods into the
// signal, and symbol k's period starts at k / Rs, so any ratio fs / Rs >= 1 gives the requested
// symbol rate. MSK and GMSK keep their phase continuous across every boundary; FSK restarts each
// tone's phase at its symbol's start, as the whole-sample keying does. The signal holds
// round(N fs / Rs) samples; samples past the last symbol's period continue it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"
#include "common/SymbolGrid.h"

namespace quorvel {

enum class Keying { Fsk, Msk, Gmsk };

class ExactKeyingMapper {
public:
    // order: FSK's tone count (MSK and GMSK are binary).
    ExactKeyingMapper(Keying keying, std::int32_t order, std::size_t symbolCount, double symbolRateHz,
                      double samplingRateHz);

    // Appends every sample whose symbols (and, for GMSK, the neighbours its pulses reach) have
    // arrived; the pieces appended together equal the mapping of the whole sequence.
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    double phaseAt(const SymbolGrid::Position& at, std::int64_t symbol) const;
    double symbolAt(std::int64_t k) const { return window_[static_cast<std::size_t>(k - first_)]; }
    void settleUpTo(std::int64_t symbol);

    Keying keying_;
    std::int32_t order_;
    std::int64_t count_;
    std::uint64_t length_;
    SymbolGrid grid_;
    std::int64_t lookahead_;           // symbols after a sample's own that shape it
    std::vector<std::int32_t> window_;  // symbols from index first_ on
    std::int64_t first_ = 0;
    std::uint64_t next_ = 0;           // the sample that comes next
    std::int64_t settled_ = 0;         // symbols whose whole phase step is in settledPhase_
    double settledPhase_ = 0.0;
};

// The mapping of a whole sequence.
SampleBuffer modulateExactKeying(const std::vector<std::int32_t>& symbols, Keying keying, std::int32_t order,
                                 double symbolRateHz, double samplingRateHz);

}  // namespace quorvel
