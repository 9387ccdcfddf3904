#include "dataset/ScenePlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "channel/RateConversion.h"
#include "channel/WhiteGaussianNoise.h"
#include "channel/WindowedSinc.h"
#include "common/Philox.h"
#include "common/SeedSource.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/NoiseReference.h"

namespace quorvel {
namespace {

// Uniform draws of one capture, taken in order.
class SceneDraws {
  public:
    SceneDraws(const DatasetRecipe& recipe, std::uint64_t index,
               std::uint32_t stream = kSceneStream)
        : draws_(static_cast<std::uint32_t>(splitMix64(recipe.seed, 0) >> 32), stream, index) {}

    double between(double low, double high) { return low + draws_.uniform() * (high - low); }
    // A whole number in [low, high].
    std::int64_t whole(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<double>(high - low + 1);
        return std::min(high, low + static_cast<std::int64_t>(draws_.uniform() * span));
    }
    bool chance(double probability) { return draws_.uniform() < probability; }
    std::uint32_t word() { return draws_.next(); }

  private:
    CounterDraws draws_;
};

// Where an emitter's band and time land; its class and waveform are drawn before and kept.
void place(const SceneSettings& s, std::uint32_t samples, double share, SceneDraws& draws, EmitterPlan& e) {
    const double fs = s.samplingRateHz;
    e.bandwidthHz = fs * draws.between(s.narrowestBand, s.widestBand);
    e.ownRateHz = e.bandwidthHz / share;
    if (e.ownRateHz > fs) {
        // The family's band fills this share of its own rate: the widest it can be here.
        e.ownRateHz = fs;
        e.bandwidthHz = share * fs;
    }
    // Centres keep the emitter's whole own band inside the capture's, so nothing of it wraps.
    const double room = 0.5 * (fs - e.ownRateHz);
    const double centre = draws.between(-room, room);
    std::uint64_t start = 0;
    std::uint64_t length = samples;
    e.burst = draws.chance(s.burstProbability);
    if (e.burst) {
        const double drawn = std::round(samples * draws.between(s.shortestBurst, s.longestBurst));
        length = std::clamp<std::uint64_t>(static_cast<std::uint64_t>(drawn), 1, samples);
        start = static_cast<std::uint64_t>(draws.whole(0, static_cast<std::int64_t>(samples - length)));
    }
    e.hops = s.hopping && draws.chance(s.hopping->probability);
    e.boxes.clear();
    const double half = 0.5 * e.bandwidthHz;
    if (!e.hops) {
        e.boxes.push_back({start, length, centre - half, centre + half});
    } else {
        const auto dwell = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::llround(fs / s.hopping->hopsPerSecond)));
        const std::int32_t channels = s.hopping->channels;
        for (std::uint64_t t = start; t < start + length; t += dwell) {
            const auto channel = static_cast<double>(draws.whole(0, channels - 1));
            const double at = channels == 1 ? 0.0 : -room + channel * (2.0 * room / (channels - 1));
            e.boxes.push_back({t, std::min(dwell, start + length - t), at - half, at + half});
        }
    }
    e.snrDb = draws.between(s.lowestSnrDb, s.highestSnrDb);
}

bool overlapsAny(const EmitterPlan& e, const std::vector<EmitterPlan>& others) {
    for (const EmitterPlan& other : others) {
        for (const EmitterBox& a : e.boxes) {
            for (const EmitterBox& b : other.boxes) {
                if (boxesOverlap(a, b)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// The waveform at the emitter's own rate, samples per symbol kept, noiseless, with a run long
// enough for every sample the rate conversion reads.
void settleWaveform(const SceneSettings& s, EmitterPlan& e) {
    SignalParameters& p = e.waveform.parameters;
    // The rate as symbols times samples per symbol, so that the keyed mappers, which take whole
    // samples per symbol, find the class's count again and not one below it.
    const double samplesPerSymbol = p.samplingRate / p.symbolRate;
    p.symbolRate = e.ownRateHz / samplesPerSymbol;
    p.samplingRate = std::min(p.symbolRate * samplesPerSymbol, s.samplingRateHz);
    e.ownRateHz = p.samplingRate;
    p.snrDb = std::numeric_limits<double>::infinity();
    // The receiver is the scene's, not the emitter's.
    p.impairments.iqImbalance = {};
    p.impairments.dcOffset = {};
    const std::uint64_t first = e.boxes.front().sampleStart;
    const std::uint64_t end = e.boxes.back().sampleStart + e.boxes.back().sampleCount;
    const std::size_t own = emitterOwnSamples(s, e.ownRateHz, end - first);
    p.symbolCount = captureSymbolCount(p, static_cast<std::uint32_t>(own));
    e.amplitude = std::sqrt(dbToLinear(e.snrDb) * e.bandwidthHz / s.samplingRateHz / nominalNoiseReference(p));
}

ReceiverPlan drawReceiver(const DatasetRecipe& recipe, const SceneReceiver& receiver,
                          std::uint64_t index) {
    SceneDraws draws(recipe, index, kSceneReceiverStream);
    ReceiverPlan plan;
    for (std::size_t k = 0; k < kReceiverKeyCount; ++k) {
        const double u = draws.between(0.0, 1.0);
        if (const auto& r = receiver.ranges[k]) {
            plan.values[k] = r->first + u * (r->second - r->first);
        }
    }
    plan.phaseNoise =
        receiver.ranges[static_cast<std::size_t>(ReceiverKey::PhaseNoiseLevel)].has_value();
    plan.phaseNoiseSeed = draws.word();
    return plan;
}

}  // namespace

EmitterBox sceneBoxSeen(const SceneSettings& s, const ScenePlan& plan, const EmitterBox& box) {
    if (!plan.receiver) {
        return box;
    }
    const double fs = s.samplingRateHz;
    double shift = (*plan.receiver)[ReceiverKey::FrequencyOffset];
    const double centre = 0.5 * (box.lowerHz + box.upperHz) + shift;
    if (centre >= 0.5 * fs) {
        shift -= fs;
    } else if (centre < -0.5 * fs) {
        shift += fs;
    }
    return {box.sampleStart, box.sampleCount, box.lowerHz + shift, box.upperHz + shift};
}

std::size_t emitterLeadSamples(const SceneSettings& s, double ownRateHz) {
    return static_cast<std::size_t>(std::ceil(kSincHalfWidth * s.samplingRateHz / ownRateHz));
}

std::size_t emitterOwnSamples(const SceneSettings& s, double ownRateHz, std::uint64_t count) {
    return inputSamplesReached(ownRateHz, s.samplingRateHz, emitterLeadSamples(s, ownRateHz), count);
}

bool boxesOverlap(const EmitterBox& a, const EmitterBox& b) {
    const bool inTime = a.sampleStart < b.sampleStart + b.sampleCount && b.sampleStart < a.sampleStart + a.sampleCount;
    return inTime && a.lowerHz < b.upperHz && b.lowerHz < a.upperHz;
}

double bandShareOfRate(const SignalParameters& p) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const double band = occupiedBandwidthHz(p);
    if (!(band > 0.0) || !(p.samplingRate > 0.0)) {
        return kNaN;
    }
    SignalParameters doubled = p;
    doubled.symbolRate *= 2.0;
    doubled.samplingRate *= 2.0;
    if (!(std::fabs(occupiedBandwidthHz(doubled) - 2.0 * band) <= 1e-9 * band)) {
        return kNaN;
    }
    return band / p.samplingRate;
}

ScenePlan planScene(const DatasetRecipe& recipe, std::uint64_t index) {
    const SceneSettings& s = *recipe.scene;
    ScenePlan scene;
    scene.index = index;
    scene.key = splitMix64(recipe.seed, index);
    SceneDraws draws(recipe, index);
    const auto count = draws.whole(s.fewestEmitters, s.mostEmitters);
    for (std::int64_t k = 0; k < count; ++k) {
        EmitterPlan e;
        e.waveform.classIndex = static_cast<std::size_t>(draws.whole(0, static_cast<std::int64_t>(recipe.classes.size()) - 1));
        e.waveform.key = splitMix64(scene.key, static_cast<std::uint64_t>(k) + 1);
        e.waveform.index = index * static_cast<std::uint64_t>(s.mostEmitters) + static_cast<std::uint64_t>(k);
        drawClassSettings(recipe, e.waveform);
        const double share = bandShareOfRate(e.waveform.parameters);
        const bool mayOverlap = draws.chance(s.overlapProbability);
        bool placed = false;
        for (int t = 0; t < kScenePlacementTries && !placed; ++t) {
            place(s, recipe.samplesPerCapture, share, draws, e);
            placed = mayOverlap || !overlapsAny(e, scene.emitters);
        }
        if (placed) {
            settleWaveform(s, e);
            scene.emitters.push_back(std::move(e));
        }
    }
    if (s.receiver) {
        scene.receiver = drawReceiver(recipe, *s.receiver, index);
    }
    return scene;
}

}  // namespace quorvel
