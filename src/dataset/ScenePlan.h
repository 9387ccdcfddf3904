#pragma once
// Which emitters a scene capture holds, where and how loud: everything drawn for capture i comes
// from Philox block i of stream kSceneStream under the seed word splitMix64(seed, 0) >> 32, the
// draws taken one after another in a fixed order (the emitter count, then per emitter its class,
// band, centre, burst, hops and SNR, redraws included). Each emitter's own waveform settings are
// the class's, drawn as planCapture draws them from the emitter's key splitMix64(capture key, e +
// 1). So any capture is planned alone, by any thread, in the same time.
//
// A receiver's settings (SceneSettings.h) come from Philox block i of stream kSceneReceiverStream
// under the same seed word: one uniform number per receiver key in kReceiverKeyNames' order, taken
// whether the key is given or not, so that giving one more key changes none of the others; then
// the seed of its phase noise's engine, the next 32-bit word.
//
// An emitter is made at a rate of its own, its family's band in the same share of that rate as the
// class's settings give (samples per symbol kept), so that its occupied band is the one drawn.
// Its power: SNR = P / (N0 B), P its nominal mean power per sample while it is on, B its occupied
// band and N0 the noise floor's power per hertz (the floor has power 1 per sample, so N0 = 1 / fs).

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "dataset/CapturePlan.h"
#include "dataset/DatasetRecipe.h"

namespace quorvel {

inline constexpr std::uint32_t kSceneStream = 2;
inline constexpr std::uint32_t kSceneReceiverStream = 3;
// Placements tried for one emitter before it is left out of the capture, when overlap is refused.
inline constexpr int kScenePlacementTries = 64;

// One box of an emitter: the samples it is on (its ramps included) and its occupied band.
struct EmitterBox {
    std::uint64_t sampleStart = 0;
    std::uint64_t sampleCount = 0;
    double lowerHz = 0.0;  // the band's edges, relative to the capture's centre
    double upperHz = 0.0;
};

struct EmitterPlan {
    CapturePlan waveform;       // its class, key and settings at its own rate (noiseless)
    double bandwidthHz = 0.0;   // occupied
    double ownRateHz = 0.0;     // the rate it is made at
    double snrDb = 0.0;
    double amplitude = 0.0;     // on its samples, for its SNR against the unit noise floor
    bool burst = false;
    bool hops = false;
    std::vector<EmitterBox> boxes;  // one, or one per dwell of a hopping emitter, in time order
};

// A capture's receiver settings, one value per kReceiverKeyNames entry, 0 for a key not given.
struct ReceiverPlan {
    std::array<double, kReceiverKeyCount> values{};
    bool phaseNoise = false;
    std::uint32_t phaseNoiseSeed = 0;

    double operator[](ReceiverKey k) const { return values[static_cast<std::size_t>(k)]; }
};

struct ScenePlan {
    std::uint64_t index = 0;
    std::uint64_t key = 0;  // splitMix64(seed, index)
    // Each box where the emitter is made, before the receiver's frequency offset moves it
    // (sceneBoxSeen gives where the capture shows it).
    std::vector<EmitterPlan> emitters;
    std::optional<ReceiverPlan> receiver{};  // with the scene's receiver only
};

// Where the capture shows a box: moved by the receiver's frequency offset, and by a whole sampling
// rate back into the band when its centre would pass an edge, as the turned samples alias there.
// A box that the offset pushes across an edge keeps its edges past it (by at most half its band);
// the part beyond shows at the other edge, unlabelled.
EmitterBox sceneBoxSeen(const SceneSettings& settings, const ScenePlan& plan,
                        const EmitterBox& box);

// Samples of the capture's rate an emitter is read ahead of its first box, so that the rate
// conversion has settled by then, and the samples of its own rate that `count` samples need.
std::size_t emitterLeadSamples(const SceneSettings& settings, double ownRateHz);
std::size_t emitterOwnSamples(const SceneSettings& settings, double ownRateHz, std::uint64_t count);

// Whether two boxes share samples and frequencies.
bool boxesOverlap(const EmitterBox& a, const EmitterBox& b);

// The family's occupied band as a share of its own sampling rate for these settings; NaN where the
// family states none or its band does not follow its rate (such a class cannot be placed).
double bandShareOfRate(const SignalParameters& parameters);

// The emitters of scene capture `index` (below recipe.captureCount()) of a recipe with a scene.
ScenePlan planScene(const DatasetRecipe& recipe, std::uint64_t index);

}  // namespace quorvel
