#pragma once
// Where the random engines get their seeds: one 32-bit value per request.

#include <cstdint>
#include <functional>

namespace quorvel {

// Hands out seeds in order: the symbol engine takes the first, each noise call the next.
using SeedSource = std::function<std::uint32_t()>;

// Seeds from the platform's non-deterministic source: two runs with equal settings differ.
SeedSource platformSeedSource();

// A deterministic sequence of seeds derived from one user seed: equal settings and seed give
// byte-identical output.
SeedSource seededSequence(std::uint32_t seed);

}  // namespace quorvel
