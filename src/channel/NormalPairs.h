#pragma once
// The standard normal pairs a file's noise is made of, one pair per sample, from one of two
// generators: the twister and the polar method, which every family of the earlier versions keeps
// bit for bit, or counter-based blocks, where any sample's pair is made without the ones before.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "channel/PolarNormal.h"
#include "common/Signal.h"

namespace quorvel {

// The pairs of consecutive samples, readied for adding.
struct NormalPiece {
    std::uint64_t firstSample = 0;  // in the file
    std::size_t count = 0;
    std::vector<PolarPoint> points;  // the twister's accepted points; unused by the counters
};

class NormalPairs {
public:
    virtual ~NormalPairs() = default;

    // Readies the pairs of the next count samples of the file. The twister draws them here, so
    // pieces are readied in the file's order, on one thread at a time.
    virtual void prepare(NormalPiece& piece, std::size_t count) = 0;

    // Adds standardDeviation times the piece's pairs to its samples, Q the first value of a pair
    // and I the second; any thread, any order.
    virtual void add(const NormalPiece& piece, double standardDeviation,
                     std::span<ComplexSample> samples) const = 0;
};

// MT19937 seeded with seed, each pair the polar method's from four outputs per candidate.
std::unique_ptr<NormalPairs> twisterPairs(std::uint32_t seed);

// Sample n's pair from block n / kNoiseSamplesPerBlock of stream Noise under key seed, group
// n % kNoiseSamplesPerBlock: by Box-Muller, u1 from words 0 and 1, u2 from words 2 and 3,
// radius sqrt(-2 ln(1 - u1)), Q = radius cos(2 pi u2), I = radius sin(2 pi u2). Box-Muller
// rather than the polar method because it takes a fixed number of words per pair: no candidate
// is rejected, so no sample's pair depends on how many were rejected before it.
std::unique_ptr<NormalPairs> counterPairs(std::uint32_t seed);

// The pair counterPairs(seed) gives sample `sample` (Q, I).
std::array<double, 2> counterPair(std::uint32_t seed, std::uint64_t sample);

}  // namespace quorvel
