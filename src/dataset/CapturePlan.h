#pragma once
// Which capture is which. Captures are numbered i = 0 ... N-1 in the order class, then SNR, then
// repetition: i = (class x SNRs + snr) x repetitions + repetition. Everything random about capture
// i comes from its key splitMix64(seed, i): its engines take the seeds counterSeeds(key) gives (the
// symbol engine the first, the noise the second, the fading and the phase noise the third and
// fourth, as counterStageSeeds(key) hands them out), and a range of recipe key row r draws output r
// of SplitMix64 started at key ^ kDrawStream, as (output >> 11) x 2^-53 in [0, 1). A multipath
// profile drawn per capture takes Philox block i of stream kMultipathStream under the seed word
// splitMix64(seed, 0) >> 32: its delay spread the first uniform, each tap's phase one more, so
// that it moves none of the other draws. So any capture is made alone, in the same time, wherever
// it is made.

#include <cstdint>
#include <limits>

#include "common/SignalParameters.h"
#include "dataset/DatasetRecipe.h"

namespace quorvel {

inline constexpr std::uint64_t kDrawStream = 0x5851F42D4C957F2DULL;
inline constexpr std::uint32_t kMultipathStream = 1;

struct CapturePlan {
    std::uint64_t index = 0;
    std::size_t classIndex = 0;
    std::size_t snrIndex = 0;
    std::uint64_t key = 0;          // splitMix64(seed, index)
    SignalParameters parameters{};  // the capture's settings, its SNR and symbol count included
    double delaySpread = std::numeric_limits<double>::quiet_NaN();  // [s] of a drawn multipath profile
};

// Symbols a run needs for its first `samples` samples to be interpolated between two symbols, never
// held at the last one: the first `samples` of a run of this many symbols are the capture.
std::int32_t captureSymbolCount(const SignalParameters& parameters, std::uint32_t samples);

// Whether some class of the recipe draws its captures' symbols and noise from counter-based
// blocks (as its family's row says); the dataset's files then record "random".
bool drawsByCounter(const DatasetRecipe& recipe);

// The class's settings, each range drawn from plan.key (a drawn multipath profile from block
// plan.index), set on plan.parameters for plan.classIndex: the draws of planCapture.
void drawClassSettings(const DatasetRecipe& recipe, CapturePlan& plan);

// The class, SNR and settings of capture `index` (below recipe.captureCount()).
CapturePlan planCapture(const DatasetRecipe& recipe, std::uint64_t index);

}  // namespace quorvel
