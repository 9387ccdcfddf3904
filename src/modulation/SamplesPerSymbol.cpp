#include "modulation/SamplesPerSymbol.h"

#include "common/Signal.h"

namespace quorvel {

namespace {

std::size_t largestBufferLength() {
    return SampleBuffer().max_size();
}

}  // namespace

std::size_t wholeSamplesPerSymbol(double samplesPerSymbol) {
    // Written so that NaN lands here too: converting it (or anything out of range) is undefined.
    if (!(samplesPerSymbol >= 1.0)) {
        return 0;
    }
    const std::size_t limit = largestBufferLength();
    if (samplesPerSymbol >= static_cast<double>(limit)) {
        return limit;
    }
    return static_cast<std::size_t>(samplesPerSymbol);
}

std::optional<std::size_t> keyedSampleCount(std::size_t symbolCount, std::size_t perSymbol) {
    if (perSymbol != 0 && symbolCount > largestBufferLength() / perSymbol) {
        return std::nullopt;
    }
    return symbolCount * perSymbol;
}

}  // namespace quorvel
