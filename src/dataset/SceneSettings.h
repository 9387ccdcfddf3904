#pragma once
// What a recipe's "scene" object asks of every capture: several emitters in one wideband capture,
// each a class of the recipe placed in time and frequency, with a power of its own against a
// common noise floor. Ranges are drawn uniformly per capture and emitter.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace quorvel {

// An emitter that hops: dwells of 1 / hopsPerSecond, each on one of `channels` centres spread
// evenly over the frequencies where its band fits.
struct SceneHopping {
    double hopsPerSecond = 0.0;
    std::int32_t channels = 0;
    double probability = 1.0;  // of an emitter hopping
};

// The receiver's impairments of a scene, acting on the emitters' sum before the noise floor. Each
// key means what the recipe key of the same name means for a single capture; a key given is drawn
// per capture uniformly in [low, high], one left out is none (0). The phase noise's level and
// offset are given both or neither.
enum class ReceiverKey : std::size_t {
    FrequencyOffset,
    IqImbalanceAmplitude,
    IqImbalancePhase,
    DcOffsetI,
    DcOffsetQ,
    PhaseNoiseLevel,
    PhaseNoiseOffset
};
inline constexpr std::size_t kReceiverKeyCount = 7;
inline constexpr const char* kReceiverKeyNames[kReceiverKeyCount] = {
    "frequency_offset", "iq_imbalance_amplitude", "iq_imbalance_phase", "dc_offset_i",
    "dc_offset_q",      "phase_noise_level",      "phase_noise_offset"};

struct SceneReceiver {
    std::array<std::optional<std::pair<double, double>>, kReceiverKeyCount> ranges{};
};

struct SceneSettings {
    double samplingRateHz = 0.0;          // of the capture
    std::uint64_t captures = 0;
    std::int32_t fewestEmitters = 1;
    std::int32_t mostEmitters = 1;
    // The emitter's occupied band as a fraction of the capture's sampling rate, drawn in [low, high].
    double narrowestBand = 0.05;
    double widestBand = 0.2;
    // Per-emitter SNR [dB]: its nominal power over the noise power in its own occupied band.
    double lowestSnrDb = 10.0;
    double highestSnrDb = 20.0;
    // The chance of an emitter being a burst, and a burst's length as a fraction of the capture;
    // an emitter that is no burst spans the whole capture.
    double burstProbability = 0.5;
    double shortestBurst = 0.1;
    double longestBurst = 0.5;
    std::uint32_t rampSamples = 64;       // raised-cosine ramp at each edge of a burst or dwell
    // The chance that an emitter may overlap another in time and frequency; otherwise it is redrawn.
    double overlapProbability = 0.0;
    std::optional<SceneHopping> hopping{};
    std::optional<SceneReceiver> receiver{};
};

}  // namespace quorvel
