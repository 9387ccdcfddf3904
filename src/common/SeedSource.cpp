#include "common/SeedSource.h"

#include <array>
#include <memory>
#include <random>

#include "common/MersenneTwister.h"

namespace quorvel {

SeedSource platformSeedSource() {
    auto device = std::make_shared<std::random_device>();
    return [device] { return static_cast<std::uint32_t>((*device)()); };
}

SeedSource seededSequence(std::uint32_t seed) {
    // MT19937's output is fixed by the standard, so the sequence is the same everywhere.
    auto engine = std::make_shared<MersenneTwister>(seed);
    return [engine] { return static_cast<std::uint32_t>((*engine)()); };
}

std::uint64_t splitMix64(std::uint64_t seed, std::uint64_t index) {
    // Steele, Lea and Flood's SplitMix64 (Java's SplittableRandom), as published.
    std::uint64_t z = seed + (index + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

SeedSource counterSeeds(std::uint64_t key) {
    auto next = std::make_shared<std::uint64_t>(0);
    return [key, next] { return static_cast<std::uint32_t>(splitMix64(key, (*next)++) >> 32); };
}

StageSeeds platformStageSeeds() {
    auto device = std::make_shared<std::random_device>();
    return [device](std::int32_t, RandomStage) { return static_cast<std::uint32_t>((*device)()); };
}

StageSeeds derivedStageSeeds(std::uint32_t seed) {
    return [seed](std::int32_t fileNumber, RandomStage stage) {
        std::seed_seq sequence{seed, static_cast<std::uint32_t>(fileNumber), static_cast<std::uint32_t>(stage)};
        std::array<std::uint32_t, 1> word{};
        sequence.generate(word.begin(), word.end());
        return word[0];
    };
}

StageSeeds counterStageSeeds(std::uint64_t key) {
    return [key](std::int32_t, RandomStage stage) {
        return static_cast<std::uint32_t>(splitMix64(key, static_cast<std::uint64_t>(stage) + 1) >> 32);
    };
}

}  // namespace quorvel
