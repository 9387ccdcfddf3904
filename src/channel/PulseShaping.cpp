#include "channel/PulseShaping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "channel/Resampling.h"
#include "channel/SamplePairs.h"

namespace quorvel {
PulseShapingStage::PulseShapingStage(SampleSource& points, std::size_t symbolCount, const PulseShaping& shaping)
    : points_(points), symbolCount_(static_cast<std::int64_t>(symbolCount)),
      length_(resampledLength(symbolCount, shaping.symbolRateHz, shaping.samplingRateHz)),
      filter_(shaping.shape, shaping.rolloff, shaping.spanSymbols, shaping.samplingRateHz / shaping.symbolRateHz),
      delayQuadrature_(shaping.delayQuadrature), grid_(shaping.symbolRateHz, shaping.samplingRateHz) {
    // A sample at grid position s + f (0 <= f < 1) meets the pulses of the symbols within half a
    // span of s + f - delay, delay being 0 or 1/2: for either delay s - ceil(span / 2) ...
    // s + ceil(span / 2).
    const int half = static_cast<int>(std::ceil(filter_.halfSpan()));
    firstOffset_ = -half;
    width_ = 2 * half + 1;
    const std::int64_t phases = grid_.phases();
    const double symbolsPerSample = shaping.symbolRateHz / shaping.samplingRateHz;
    step_ = filter_.anglesAt(symbolsPerSample);
    stepPastSymbol_ = filter_.anglesAt(symbolsPerSample - 1.0);
    for (int rail = 0; rail < 2; ++rail) {
        blockTaps_[rail].resize(kBlock * static_cast<std::size_t>(width_));
        const double delay = rail == 1 && delayQuadrature_ ? 0.5 : 0.0;
        for (std::int64_t phase = 0; phase < phases; ++phase) {
            for (int j = 0; j < width_; ++j) {
                const double t = static_cast<double>(phase) / static_cast<double>(phases) - delay - (firstOffset_ + j);
                bank_[rail].push_back(filter_.at(t));
            }
        }
    }
}

void PulseShapingStage::walkAngles(int rail, std::size_t count) {
    // Sample next_ + k's angles, the walk having ended at the sample before; sample 0 is computed afresh.
    Walk& walk = walks_[rail];
    for (std::size_t k = 0; k < count; ++k) {
        const std::int64_t symbol = positions_[k].symbol;
        const std::int64_t passed = symbol - walk.symbol;
        if ((next_ + k) % kFreshAngles != 0 && (passed == 0 || passed == 1)) {
            walk.angles = addAngles(walk.angles, passed == 0 ? step_ : stepPastSymbol_);
        } else {
            walk.angles = filter_.anglesAt(starts_[rail][k]);
        }
        walk.symbol = symbol;
        angles_[rail][k] = walk.angles;
    }
}

void PulseShapingStage::planBlock(SymbolGrid::Position& at, std::size_t count) {
    blockSize_ = count;
    // Advanced in a local: through the reference, each position would be stored a field at a
    // time and read back whole, which the processor cannot forward.
    SymbolGrid::Position position = at;
    for (std::size_t k = 0; k < count; ++k) {
        positions_[k] = position;
        grid_.advance(position, next_ + k);
    }
    at = position;
    if (grid_.phases() > 0) {
        return;
    }
    const int rails = delayQuadrature_ ? 2 : 1;
    for (int rail = 0; rail < rails; ++rail) {
        const double delay = rail == 1 ? 0.5 : 0.0;
        for (std::size_t k = 0; k < count; ++k) {
            starts_[rail][k] = positions_[k].fraction - delay - firstOffset_;
        }
        if (filter_.hasAngles()) {
            walkAngles(rail, count);
        }
        filter_.atWholeSteps(std::span<const double>(starts_[rail], count), angles_[rail], width_,
                             blockTaps_[rail].data());
    }
}

const double* PulseShapingStage::tapsOf(std::size_t k, int rail) const {
    const int from = delayQuadrature_ ? rail : 0;
    if (grid_.phases() > 0) {
        return bank_[from].data() + positions_[k].phase * width_;
    }
    return blockTaps_[from].data() + k;
}

ComplexSample PulseShapingStage::edgeSample(std::size_t k, const ComplexSample* held, std::int64_t heldFrom) const {
    const SymbolGrid::Position& at = positions_[k];
    const std::int64_t first = at.symbol + firstOffset_;
    const std::int64_t low = std::max<std::int64_t>(first, 0);
    const std::int64_t high = std::min<std::int64_t>(first + width_, symbolCount_) - 1;
    const double* inPhase = tapsOf(k, 0);
    const double* quadrature = tapsOf(k, 1);
    const std::size_t stride = tapStride();
    ComplexSample sum;
    for (std::int64_t m = low; m <= high; ++m) {
        const ComplexSample& point = held[m - heldFrom];
        const auto j = static_cast<std::size_t>(m - first) * stride;
        sum.i += point.i * inPhase[j];
        sum.q += point.q * quadrature[j];
    }
    return sum;
}

// Both rails in one pair of lanes, and two partial sums, so that the additions do not wait on
// each other; each lane adds exactly as the scalar sums would.
ComplexSample PulseShapingStage::innerSample(const ComplexSample* points, const double* inPhase,
                                             const double* quadrature, std::size_t stride) const {
    using Pair = DoublePair;
    Pair even = {0.0, 0.0};
    Pair odd = {0.0, 0.0};
    const auto pairAt = [points](int j) {
        Pair p;
        std::memcpy(&p, &points[j], sizeof p);
        return p;
    };
    const auto tapsAt = [=](int j) {
        const std::size_t at = static_cast<std::size_t>(j) * stride;
        return Pair{inPhase[at], quadrature[at]};
    };
    int j = 0;
    for (; j + 1 < width_; j += 2) {
        even += pairAt(j) * tapsAt(j);
        odd += pairAt(j + 1) * tapsAt(j + 1);
    }
    if (j < width_) {
        even += pairAt(j) * tapsAt(j);
    }
    return {even[0] + odd[0], even[1] + odd[1]};
}

std::size_t PulseShapingStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min<std::size_t>(out.size(), length_ - next_);
    if (count == 0) {
        return 0;
    }
    SymbolGrid::Position at = grid_.at(next_);
    const std::int64_t heldFrom = std::max<std::int64_t>(at.symbol + firstOffset_, 0);
    const std::int64_t heldTo =
        std::min<std::int64_t>(grid_.at(next_ + count - 1).symbol + firstOffset_ + width_, symbolCount_) - 1;
    const ComplexSample* held = points_.hold(static_cast<std::size_t>(heldFrom), static_cast<std::size_t>(heldTo));
    for (std::size_t begin = 0; begin < count; begin += kBlock) {
        const std::size_t block = std::min(kBlock, count - begin);
        planBlock(at, block);
        const std::size_t stride = tapStride();
        for (std::size_t k = 0; k < block; ++k) {
            const std::int64_t first = positions_[k].symbol + firstOffset_;
            if (first >= 0 && first + width_ <= symbolCount_) {
                out[begin + k] = innerSample(held + (first - heldFrom), tapsOf(k, 0), tapsOf(k, 1), stride);
            } else {
                out[begin + k] = edgeSample(k, held, heldFrom);
            }
        }
        next_ += block;
    }
    points_.release(static_cast<std::size_t>(std::max<std::int64_t>(at.symbol + firstOffset_, 0)));
    return count;
}

}  // namespace quorvel
