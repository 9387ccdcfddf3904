#include "modulation/ExactKeying.h"

#include <algorithm>
#include <cmath>

#include "modulation/Gmsk.h"
#include "modulation/Msk.h"

namespace quorvel {
namespace {

// A GMSK pulse has completed its step 3 symbol periods after its centre (see gmskPhasePulse).
constexpr std::int64_t kGmskReach = 4;

std::uint64_t exactLength(std::size_t symbolCount, double symbolRateHz, double samplingRateHz) {
    return static_cast<std::uint64_t>(std::llround(static_cast<double>(symbolCount) * (samplingRateHz / symbolRateHz)));
}

}  // namespace

ExactKeyingMapper::ExactKeyingMapper(Keying keying, std::int32_t order, std::size_t symbolCount,
                                     double symbolRateHz, double samplingRateHz)
    : keying_(keying), order_(order), count_(static_cast<std::int64_t>(symbolCount)),
      length_(exactLength(symbolCount, symbolRateHz, samplingRateHz)), grid_(symbolRateHz, samplingRateHz),
      lookahead_(keying == Keying::Gmsk ? kGmskReach : 0) {}

// Adds the whole steps of the symbols before `symbol` that can no longer be partway through.
void ExactKeyingMapper::settleUpTo(std::int64_t symbol) {
    const std::int64_t settledBelow = keying_ == Keying::Gmsk ? symbol - kGmskReach : symbol;
    while (settled_ < settledBelow) {
        settledPhase_ += mskPhaseStep(static_cast<std::int32_t>(symbolAt(settled_)));
        ++settled_;
    }
}

double ExactKeyingMapper::phaseAt(const SymbolGrid::Position& at, std::int64_t symbol) const {
    // Past the last period the last symbol goes on, so its fraction keeps growing beyond 1.
    const double within = at.fraction + static_cast<double>(at.symbol - symbol);
    switch (keying_) {
        case Keying::Fsk: {
            const double tone = symbolAt(symbol) + 0.5 * static_cast<double>(1 - order_);
            return (Pi * 2.0) * tone * within;
        }
        case Keying::Msk:
            return settledPhase_ + within * mskPhaseStep(static_cast<std::int32_t>(symbolAt(symbol)));
        case Keying::Gmsk: break;
    }
    double phase = settledPhase_;
    const std::int64_t last = std::min(symbol + kGmskReach, count_ - 1);
    for (std::int64_t j = settled_; j <= last; ++j) {
        const double fromCentre = static_cast<double>(at.symbol - j) + at.fraction - 0.5;
        phase += mskPhaseStep(static_cast<std::int32_t>(symbolAt(j))) * gmskPhasePulse(fromCentre);
    }
    return phase;
}

void ExactKeyingMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    window_.insert(window_.end(), symbols.begin(), symbols.end());
    const std::int64_t received = first_ + static_cast<std::int64_t>(window_.size());
    while (next_ < length_) {
        const SymbolGrid::Position at = grid_.at(next_);
        const std::int64_t symbol = std::min(at.symbol, count_ - 1);
        if (std::min(symbol + lookahead_, count_ - 1) >= received) {
            break;
        }
        settleUpTo(symbol);
        out.push_back(polar(1.0, phaseAt(at, symbol)));
        ++next_;
    }
    // Later samples read back to the first unsettled symbol at the earliest.
    const std::int64_t keepFrom = std::min(settled_, received);
    if (keepFrom > first_) {
        window_.erase(window_.begin(), window_.begin() + (keepFrom - first_));
        first_ = keepFrom;
    }
}

SampleBuffer modulateExactKeying(const std::vector<std::int32_t>& symbols, Keying keying, std::int32_t order,
                                 double symbolRateHz, double samplingRateHz) {
    ExactKeyingMapper mapper(keying, order, symbols.size(), symbolRateHz, samplingRateHz);
    SampleBuffer out;
    mapper.append(symbols, out);
    return out;
}

}  // namespace quorvel
