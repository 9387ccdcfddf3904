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

// Output `index` (0-based) of the SplitMix64 generator started at state `seed`: the finaliser of
// seed + (index + 1) x 0x9E3779B97F4A7C15. Counter-based, so output n costs the same for every n:
// file K of a seeded run, or capture i of a dataset, is reached without drawing what comes before.
std::uint64_t splitMix64(std::uint64_t seed, std::uint64_t index);

// Seeds from one 64-bit key: the high 32 bits of outputs 0, 1, 2, ... of SplitMix64 started at key.
SeedSource counterSeeds(std::uint64_t key);
// The random impairment stages, each with an engine of its own. Their seeds stand apart from the
// sequence above, so that adding such a stage changes no symbol and no noise value.
enum class RandomStage : std::uint32_t { Fading = 1, PhaseNoise = 2 };

// The seed of one random stage in file fileNumber (1-based) of a run.
using StageSeeds = std::function<std::uint32_t(std::int32_t fileNumber, RandomStage stage)>;

// Seeds from the platform's non-deterministic source, whatever the file and stage.
StageSeeds platformStageSeeds();

// The first word std::seed_seq{seed, fileNumber, stage} generates: fixed by the C++ standard, so
// any file of a seeded run gets the same stage seeds on every platform without replaying the
// files before it.
StageSeeds derivedStageSeeds(std::uint32_t seed);

// The stages' seeds of one key's run, past the two seeds counterSeeds(key) gives first (the symbol
// engine's and the noise's): stage s takes the high 32 bits of output s + 1 of SplitMix64 started
// at key, whatever the file number.
StageSeeds counterStageSeeds(std::uint64_t key);

}  // namespace quorvel
