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

}  // namespace quorvel
