#pragma once
// Symbol-rate points to samples at the sampling rate through a transmit pulse: sample n is
// sum_k a_k h(n fs^-1 Rs - k), so symbol k sits at k / symbolRate exactly for any ratio of the
// rates, the first symbol's pulse centred on sample 0. The file holds round(N fs / Rs) samples,
// as the straight-line resampling's does; pulses reaching past either end are cut there.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "channel/PulseShapes.h"
#include "common/SampleSource.h"
#include "common/SymbolGrid.h"

namespace quorvel {

struct PulseShaping {
    PulseShape shape = PulseShape::RootRaisedCosine;
    double rolloff = 0.35;
    std::int32_t spanSymbols = 10;
    double symbolRateHz = 1000.0;
    double samplingRateHz = 10000.0;
    // OQPSK: the quadrature rail's pulses half a symbol later than the in-phase rail's.
    bool delayQuadrature = false;
};

class PulseShapingStage final : public SampleSource {
public:
    PulseShapingStage(SampleSource& points, std::size_t symbolCount, const PulseShaping& shaping);

    std::size_t read(std::span<ComplexSample> out) override;

private:
    // Samples are made a block at a time: first every sample's grid position and taps, then the
    // sums, so that the taps of a block share their vector instructions.
    static constexpr std::size_t kBlock = 64;
    // Positions of samples next_ ... next_ + count - 1 (count <= kBlock) and their taps.
    void planBlock(SymbolGrid::Position& at, std::size_t count);
    // The taps of sample k of the block, for symbols symbol + firstOffset_ ... of one rail, and
    // their stride.
    const double* tapsOf(std::size_t k, int rail) const;
    std::size_t tapStride() const { return grid_.phases() > 0 ? 1 : blockSize_; }
    // Off the exact grid: the pulse's angles at the rail's first tap for the block's samples, from
    // their starts.
    void walkAngles(int rail, std::size_t count);
    // A sample whose symbols reach past either end of the file; held holds symbol heldFrom on.
    ComplexSample edgeSample(std::size_t k, const ComplexSample* held, std::int64_t heldFrom) const;
    // A sample with all width_ symbols in the file, from points on.
    ComplexSample innerSample(const ComplexSample* points, const double* inPhase, const double* quadrature,
                              std::size_t stride) const;

    SampleWindow points_;
    std::int64_t symbolCount_;
    std::size_t length_;
    PulseFilter filter_;
    bool delayQuadrature_;
    int width_;              // symbols one sample draws on
    int firstOffset_;        // the first of them, relative to the position's whole symbol
    SymbolGrid grid_;
    // On an exact grid: the taps of every phase, computed once.
    std::vector<double> bank_[2];
    // Off it, the block's taps, tap j of sample k at j * blockSize_ + k.
    std::vector<double> blockTaps_[2];
    std::size_t blockSize_ = 0;
    SymbolGrid::Position positions_[kBlock];
    double starts_[2][kBlock];
    PulseAngles angles_[2][kBlock];
    // Each sample's angles are the last sample's turned by the grid's step (less a whole
    // symbol when one was passed), and afresh every kFreshAngles samples so that rounding cannot
    // build up.
    static constexpr std::uint64_t kFreshAngles = 32;
    PulseAngles step_;
    PulseAngles stepPastSymbol_;
    struct Walk {
        PulseAngles angles;
        std::int64_t symbol = 0;
    };
    Walk walks_[2];
    std::uint64_t next_ = 0;
};

}  // namespace quorvel
