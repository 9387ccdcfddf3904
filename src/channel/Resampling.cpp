#include "channel/Resampling.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "channel/LinearInterpolation.h"

namespace quorvel {
namespace {

bool copiesInput(std::size_t symbolCount, double symbolRateHz, double samplingRateHz) {
    return symbolCount == 0 || symbolRateHz <= 0.0 || samplingRateHz <= 0.0 ||
           symbolRateHz == samplingRateHz;
}

}  // namespace

std::size_t resampledLength(std::size_t symbolCount, double symbolRateHz, double samplingRateHz) {
    if (copiesInput(symbolCount, symbolRateHz, samplingRateHz)) {
        return symbolCount;
    }
    const double samplesPerSymbol = samplingRateHz / symbolRateHz;
    const double length = std::round(static_cast<double>(symbolCount) * samplesPerSymbol);
    // A NaN rate gives no length at all; converting NaN or anything >= 2^64 to an integer is
    // undefined, so both are settled here.
    if (std::isnan(length)) {
        return 0;
    }
    constexpr double kCountLimit = 18446744073709551616.0;  // 2^64
    if (length >= kCountLimit) {
        return std::numeric_limits<std::size_t>::max();
    }
    return static_cast<std::size_t>(length);
}

SampleBuffer resampleToSamplingRate(const SampleBuffer& symbols, double symbolRateHz,
                                    double samplingRateHz) {
    if (copiesInput(symbols.size(), symbolRateHz, samplingRateHz)) {
        return symbols;
    }
    const std::size_t length = resampledLength(symbols.size(), symbolRateHz, samplingRateHz);
    SampleBuffer out;
    if (length == 0 || length > out.max_size()) {
        return out;
    }
    out.resize(length);
    const double samplesPerSymbol = samplingRateHz / symbolRateHz;
    // The abscissae are the symbol indices 0 ... N-1, exact in a double, so the smallest one
    // above an interior position t is floor(t) + 1: no table and no search needed.
    const double lastIndex = static_cast<double>(symbols.size() - 1);
    for (std::size_t n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / samplesPerSymbol;
        if (t <= 0.0) {
            out[n] = symbols.front();
        } else if (t >= lastIndex) {
            out[n] = symbols.back();
        } else {
            const auto p = static_cast<std::size_t>(t) + 1;
            out[n] = interpolateSegment(static_cast<double>(p - 1), static_cast<double>(p),
                                        symbols[p - 1], symbols[p], t);
        }
    }
    return out;
}

ResamplingStage::ResamplingStage(SampleSource& points, std::size_t symbolCount, double symbolRateHz,
                                 double samplingRateHz)
    : points_(points), length_(resampledLength(symbolCount, symbolRateHz, samplingRateHz)),
      samplesPerSymbol_(samplingRateHz / symbolRateHz), lastIndex_(static_cast<double>(symbolCount - 1)),
      lastPoint_(symbolCount - 1) {}

std::size_t ResamplingStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min(out.size(), length_ - next_);
    if (count == 0) {
        return 0;
    }
    // The instants only move forward, so this block reads the points from the one before its
    // first instant up to the one after its last, and no later block reads before them.
    const auto pointAt = [this](std::size_t n) {
        const double t = static_cast<double>(n) / samplesPerSymbol_;
        return t <= 0.0 ? std::size_t{0} : std::min(static_cast<std::size_t>(std::min(t, lastIndex_)), lastPoint_);
    };
    const std::size_t first = pointAt(next_);
    const std::size_t last = std::min(pointAt(next_ + count - 1) + 1, lastPoint_);
    points_.release(first);
    const ComplexSample* held = points_.hold(first, last);
    for (std::size_t k = 0; k < count; ++k, ++next_) {
        const double t = static_cast<double>(next_) / samplesPerSymbol_;
        if (t <= 0.0) {
            out[k] = held[0];
        } else if (t >= lastIndex_) {
            out[k] = held[lastPoint_ - first];
        } else {
            // interpolateSegment divides by the neighbours' distance, exactly 1 here, and a
            // division by 1 changes no bit: so the fraction is t - (p - 1) as it stands.
            const auto p = static_cast<std::size_t>(t) + 1;
            const double frac = t - static_cast<double>(p - 1);
            const ComplexSample& y0 = held[p - 1 - first];
            const ComplexSample& y1 = held[p - first];
            out[k] = {(y1.i - y0.i) * frac + y0.i, (y1.q - y0.q) * frac + y0.q};
        }
    }
    return count;
}

}  // namespace quorvel
