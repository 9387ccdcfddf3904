#pragma once
// A linear scheme's alphabet as data: index k is sent as point k. One builder maps any of them,
// so a new amplitude or phase family is a table of points, not a mapper of its own.

#include <cstdint>
#include <span>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

struct Constellation {
    std::vector<ComplexSample> points;  // point k is index k's
};

// On-off keying: 0 and sqrt(2), unit mean power.
Constellation ookConstellation();
// Unipolar amplitude levels 0 ... M-1 on the I axis, scaled to unit mean power.
Constellation askConstellation(int order);
// Bipolar levels -(M-1), -(M-3) ... M-1 on the I axis, scaled to unit mean power.
Constellation pamConstellation(int order);
// The side x side grid of odd integers without a cornerSide x cornerSide square at each corner,
// I from the slow part of the index, Q from the fast, scaled to unit mean power.
Constellation crossConstellation(int side, int cornerSide);

// The mean of |point|^2 over the table.
double meanPower(const Constellation& constellation);

// One point per symbol; an index outside the table is sent as the origin.
SampleBuffer mapConstellation(std::span<const std::int32_t> symbols, const Constellation& constellation);

}  // namespace quorvel
