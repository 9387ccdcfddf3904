#pragma once
// Differential QPSK with a fixed extra rotation per symbol (pi/4 for pi/4-DQPSK).

#include <span>

#include "common/Signal.h"

namespace quorvel {

// First point at angle k*pi/2 + pi/4 [rad]; each later point is the previous one rotated by
// k*pi/2 + rotation [rad]. One point per symbol.
SampleBuffer modulatePi4Dqpsk(const SymbolSequence& symbols, double rotation);

// The same mapping a piece at a time: the pieces appended together equal modulatePi4Dqpsk of
// the whole sequence.
class Pi4DqpskMapper {
public:
    explicit Pi4DqpskMapper(double rotation) : rotation_(rotation) {}
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    double rotation_;
    bool started_ = false;
    ComplexSample previous_;
};

}  // namespace quorvel
