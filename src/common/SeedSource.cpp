#include "common/SeedSource.h"

#include <memory>
#include <random>

namespace quorvel {

SeedSource platformSeedSource() {
    auto device = std::make_shared<std::random_device>();
    return [device] { return static_cast<std::uint32_t>((*device)()); };
}

SeedSource seededSequence(std::uint32_t seed) {
    // std::mt19937's output is fixed by the standard, so the sequence is the same everywhere.
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine] { return static_cast<std::uint32_t>((*engine)()); };
}

}  // namespace quorvel
