#pragma once
// Counter-based random words: Philox4x32-10 (Salmon et al., "Parallel random numbers: as easy as
// 1, 2, 3", SC 2011). A block of draws is a pure function of (seed, stream, block index), so any
// block can be made alone, by any thread, in any order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvel {

using PhiloxCounter = std::array<std::uint32_t, 4>;
using PhiloxKey = std::array<std::uint32_t, 2>;

// What the metadata calls these draws ("quorvel:random"), and the version of the derivation
// below ("quorvel:random_version"): a change to any of its constants is a new version.
inline constexpr std::string_view kCounterDrawsName = "philox4x32-10";
inline constexpr std::int32_t kCounterDrawsVersion = 1;

// The streams of one file or capture: the second key word. Each has its own seed word too (the
// symbol key from the file's symbol engine, the noise key the file's noise seed), so the stream
// number only keeps them apart should two seeds coincide.
enum class CounterStream : std::uint32_t { Symbols = 1, Noise = 2 };

// Random indices: block b holds indices b x kSymbolsPerBlock onwards, drawn one after another
// from the block's words. Noise: block b holds samples b x kNoiseSamplesPerBlock onwards, sample
// j of the block taking the four words of group j, so that any sample's pair is found directly.
inline constexpr std::uint64_t kSymbolsPerBlock = 4096;
inline constexpr std::uint64_t kNoiseSamplesPerBlock = 4096;

// A uniform number in [0, 1) on a grid of 2^-53: the top 27 bits of `high`, the top 26 of `low`.
inline double philoxUniform(std::uint32_t high, std::uint32_t low) {
    const std::uint64_t bits = (std::uint64_t{high >> 5} << 26) | (low >> 6);
    return static_cast<double>(bits) * 0x1p-53;
}

// The ten-round bijection of one counter under one key.
PhiloxCounter philox4x32(PhiloxCounter counter, PhiloxKey key);

// Up to kPhiloxColumns counters side by side, counter k the k-th word of each column: in as
// counters, out as their words.
inline constexpr std::size_t kPhiloxColumns = 64;
struct PhiloxColumns {
    std::array<std::uint32_t, kPhiloxColumns> w0, w1, w2, w3;
};

// philox4x32 of the first count counters under one key, the rounds running across the counters in
// vector lanes; integer arithmetic, so every processor gives the same words.
void philox4x32(PhiloxColumns& columns, std::size_t count, PhiloxKey key);

// The draws of one block: key (seed, stream), counter (block index low word, high word, the
// number of the group of four draws within the block, 0). Draw k is word k % 4 of group k / 4.
class CounterDraws {
public:
    CounterDraws(std::uint32_t seed, std::uint32_t stream, std::uint64_t blockIndex);
    CounterDraws(std::uint32_t seed, CounterStream stream, std::uint64_t blockIndex)
        : CounterDraws(seed, static_cast<std::uint32_t>(stream), blockIndex) {}

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
