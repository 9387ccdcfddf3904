#include "common/SeedSource.h"

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

}  // namespace quorvel
