#pragma once
// Offset QPSK at one point per symbol: after the first symbol the rails change alternately.

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Signal.h"

namespace quorvel {

// The corner (+-1, +-1) of an index: I from its lowest bit, Q from the next.
ComplexSample oqpskCorner(std::int32_t index);

// The corner of each index, except that odd symbols update only Q and even symbols (from the
// third on) only I. One point per symbol.
SampleBuffer modulateOqpsk(const SymbolSequence& symbols);

// The same mapping a piece at a time: the pieces appended together equal modulateOqpsk of the
// whole sequence.
class OqpskMapper {
public:
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    std::size_t index_ = 0;  // of the next symbol in the whole sequence
    ComplexSample previous_;
};

}  // namespace quorvel
