#pragma once
// Counter-based random words: Philox4x32-10 (Salmon et al., "Parallel random numbers: as easy as
// 1, 2, 3", SC 2011). A block of draws is a pure function of (seed, stream, block index), so any
// block can be made alone, by any thread, in any order.

#include <array>
#include <cstdint>

namespace quorvel {

using PhiloxCounter = std::array<std::uint32_t, 4>;
using PhiloxKey = std::array<std::uint32_t, 2>;

// The ten-round bijection of one counter under one key.
PhiloxCounter philox4x32(PhiloxCounter counter, PhiloxKey key);

// The draws of one block: key (seed, stream), counter (block index low word, high word, the
// number of the group of four draws within the block, 0). Draw k is word k % 4 of group k / 4.
class CounterDraws {
public:
    CounterDraws(std::uint32_t seed, std::uint32_t stream, std::uint64_t blockIndex);

    // The next 32 random bits of the block.
    std::uint32_t next();
    // A uniform number in [0, 1) from the next two draws, 53 bits of it random.
    double uniform();

private:
    PhiloxKey key_;
    PhiloxCounter counter_;
    PhiloxCounter words_{};
    unsigned used_ = 4;
};

}  // namespace quorvel
