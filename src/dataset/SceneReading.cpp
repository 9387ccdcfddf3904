#include "dataset/SceneReading.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "channel/RateConversion.h"
#include "common/JsonInput.h"
#include "common/NumberText.h"
#include "dataset/RecipeKeys.h"
#include "dataset/ScenePlan.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

constexpr std::uint64_t kMaxSceneCaptures = std::uint64_t{1} << 40;
constexpr double kMaxSceneRateHz = 1e12;
constexpr double kMaxSceneSnrDb = 200.0;
constexpr std::int64_t kMaxHopChannels = 1024;
constexpr std::uint32_t kMaxRampSamples = 1 << 16;

const char* const kSceneKeys[] = {"sampling_rate", "captures",     "emitters",
                                  "bandwidth",     "snr_db",       "burst_probability",
                                  "burst_length",  "ramp_samples", "overlap_probability",
                                  "hopping",       "receiver"};
const char* const kHoppingKeys[] = {"hops_per_second", "channels", "probability"};

struct Refusal {
    std::string path;
    std::string rule;
};

std::string at(const std::string& path, const char* key) { return path + "." + key; }

template <std::size_t N>
void onlyKnown(const Json& object, const std::string& path, const char* const (&names)[N], const std::string& what) {
    if (!object.is_object()) {
        throw Refusal{path, "an object of " + what};
    }
    for (const auto& [name, unused] : object.items()) {
        bool known = false;
        for (const char* k : names) {
            known = known || name == k;
        }
        if (!known) {
            throw Refusal{path + "." + name, "unknown key (" + what + ")"};
        }
    }
}

// A number within [low, high] (above low where lowExcluded).
double number(const Json& v, const std::string& path, double low, double high, bool lowExcluded, const std::string& rule) {
    const bool ok = v.is_number() && std::isfinite(v.get<double>()) &&
                    (lowExcluded ? v.get<double>() > low : v.get<double>() >= low) && v.get<double>() <= high;
    if (!ok) {
        throw Refusal{path, rule + " (it is " + shownJson(v) + ")"};
    }
    return v.get<double>();
}

std::int64_t whole(const Json& v, const std::string& path, std::int64_t low, std::int64_t high, const std::string& rule) {
    const auto n = exactInteger<std::int64_t>(v);
    if (!n || *n < low || *n > high) {
        throw Refusal{path, rule + " (it is " + shownJson(v) + ")"};
    }
    return *n;
}

// A value or a range {"min", "max"} of them, each read by `one`.
template <typename Read>
auto range(const Json& v, const std::string& path, Read one) {
    if (!v.is_object()) {
        const auto x = one(v, path);
        return std::pair{x, x};
    }
    for (const auto& [name, unused] : v.items()) {
        if (name != "min" && name != "max") {
            throw Refusal{path + "." + name, "unknown key (a range has \"min\" and \"max\")"};
        }
    }
    if (!v.contains("min") || !v.contains("max")) {
        throw Refusal{path, "a range needs both \"min\" and \"max\""};
    }
    const auto low = one(v["min"], at(path, "min"));
    const auto high = one(v["max"], at(path, "max"));
    if (high < low) {
        throw Refusal{at(path, "max"), "at least min"};
    }
    return std::pair{low, high};
}

SceneHopping hoppingAt(const Json& v, const std::string& path, const SceneSettings& s, std::uint32_t samples) {
    onlyKnown(v, path, kHoppingKeys, "\"hops_per_second\", \"channels\" and optionally \"probability\"");
    SceneHopping h;
    // A dwell is at least one sample, and a capture holds at most one dwell per sample.
    const double fewest = s.samplingRateHz / samples;
    h.hopsPerSecond = number(v.contains("hops_per_second") ? v["hops_per_second"] : Json(), at(path, "hops_per_second"), fewest,
                             s.samplingRateHz, false, "hops per second from " + numberText(fewest) + " (one dwell per capture) to the sampling rate");
    h.channels = static_cast<std::int32_t>(whole(v.contains("channels") ? v["channels"] : Json(), at(path, "channels"), 1,
                                                 kMaxHopChannels, "a whole number of channels from 1 to " + std::to_string(kMaxHopChannels)));
    if (v.contains("probability")) {
        h.probability = number(v["probability"], at(path, "probability"), 0.0, 1.0, false, "a probability from 0 to 1");
    }
    return h;
}

// Each receiver key by its single-capture namesake's row (its bounds, its words, the key it
// needs), but the frequency offset within half the sampling rate: a larger one would only alias.
SceneReceiver receiverAt(const Json& v, const std::string& path, double samplingRateHz) {
    onlyKnown(v, path, kReceiverKeyNames,
              "optionally frequency_offset, iq_imbalance_amplitude, iq_imbalance_phase, "
              "dc_offset_i, dc_offset_q, phase_noise_level and phase_noise_offset");
    const double half = samplingRateHz / 2.0;
    SceneReceiver r;
    for (std::size_t k = 0; k < kReceiverKeyCount; ++k) {
        const char* key = kReceiverKeyNames[k];
        if (!v.contains(key)) {
            continue;
        }
        const RecipeKey& row = *findRecipeKey(key);
        if (!row.needs.empty() && !v.contains(row.needs)) {
            throw Refusal{at(path, std::string(row.needs).c_str()), std::string("missing: ") + key + " needs it"};
        }
        const bool offset = k == static_cast<std::size_t>(ReceiverKey::FrequencyOffset);
        const std::string rule = offset ? "a number of Hz from " + numberText(-half) + " to " + numberText(half) +
                                              " (half the sampling rate)"
                                        : row.ruleText(samplingRateHz);
        r.ranges[k] = range(v[key], at(path, key), [&](const Json& x, const std::string& p) {
            const bool ok = x.is_number() && (offset ? std::fabs(x.get<double>()) <= half
                                                     : row.allows(x.get<double>(), samplingRateHz));
            if (!ok) {
                throw Refusal{p, rule + " (it is " + shownJson(x) + ")"};
            }
            return x.get<double>();
        });
    }
    return r;
}

SceneSettings sceneAt(const Json& v, std::uint32_t samples) {
    const std::string path = "scene";
    onlyKnown(
        v, path, kSceneKeys,
        "sampling_rate, captures, emitters and optionally bandwidth, snr_db, burst_probability, "
        "burst_length, ramp_samples, overlap_probability, hopping and receiver");
    for (const char* key : {"sampling_rate", "captures", "emitters"}) {
        if (!v.contains(key)) {
            throw Refusal{at(path, key), "missing"};
        }
    }
    SceneSettings s;
    s.samplingRateHz = number(v["sampling_rate"], at(path, "sampling_rate"), 0.0, kMaxSceneRateHz, true,
                              "a sampling rate in Hz above 0, at most " + numberText(kMaxSceneRateHz));
    s.captures = static_cast<std::uint64_t>(whole(v["captures"], at(path, "captures"), 1, static_cast<std::int64_t>(kMaxSceneCaptures),
                                                  "a whole number of captures from 1 to " + std::to_string(kMaxSceneCaptures)));
    const auto count = range(v["emitters"], at(path, "emitters"), [](const Json& x, const std::string& p) {
        return whole(x, p, 1, kMaxSceneEmitters, "a whole number of emitters from 1 to " + std::to_string(kMaxSceneEmitters));
    });
    s.fewestEmitters = static_cast<std::int32_t>(count.first);
    s.mostEmitters = static_cast<std::int32_t>(count.second);
    const auto fraction = [](const std::string& rule) {
        return [rule](const Json& x, const std::string& p) { return number(x, p, 0.0, 1.0, true, rule); };
    };
    const auto probability = [&](const char* key, double& out) {
        if (v.contains(key)) {
            out = number(v[key], at(path, key), 0.0, 1.0, false, "a probability from 0 to 1");
        }
    };
    if (v.contains("bandwidth")) {
        std::tie(s.narrowestBand, s.widestBand) =
            range(v["bandwidth"], at(path, "bandwidth"), fraction("an occupied band as a fraction of the sampling rate, above 0, at most 1"));
    }
    if (v.contains("snr_db")) {
        std::tie(s.lowestSnrDb, s.highestSnrDb) = range(v["snr_db"], at(path, "snr_db"), [](const Json& x, const std::string& p) {
            return number(x, p, -kMaxSceneSnrDb, kMaxSceneSnrDb, false, "an SNR in dB from -200 to 200");
        });
    }
    probability("burst_probability", s.burstProbability);
    if (v.contains("burst_length")) {
        std::tie(s.shortestBurst, s.longestBurst) =
            range(v["burst_length"], at(path, "burst_length"), fraction("a burst's length as a fraction of the capture, above 0, at most 1"));
    }
    if (v.contains("ramp_samples")) {
        s.rampSamples = static_cast<std::uint32_t>(whole(v["ramp_samples"], at(path, "ramp_samples"), 0, kMaxRampSamples,
                                                         "a whole number of samples from 0 to " + std::to_string(kMaxRampSamples)));
    }
    probability("overlap_probability", s.overlapProbability);
    if (v.contains("hopping")) {
        s.hopping = hoppingAt(v["hopping"], at(path, "hopping"), s, samples);
    }
    if (v.contains("receiver")) {
        s.receiver = receiverAt(v["receiver"], at(path, "receiver"), s.samplingRateHz);
    }
    return s;
}

}  // namespace

SceneReading readScene(const Json& scene, std::uint32_t samplesPerCapture) {
    try {
        return {sceneAt(scene, samplesPerCapture), {}, {}};
    } catch (const Refusal& r) {
        return {std::nullopt, r.path, r.rule};
    }
}

std::optional<std::string> sceneClassProblem(const SignalParameters& p) {
    const double share = bandShareOfRate(p);
    if (std::isnan(share)) {
        return std::string(modulationName(p.modulationType)) +
               " cannot be placed in a scene: its family states no occupied band that follows its symbol rate";
    }
    if (share > 2.0 * kRateConversionPassband) {
        return "its occupied band (" + numberText(occupiedBandwidthHz(p)) + " Hz) fills more than " +
               numberText(2.0 * kRateConversionPassband) + " of its sampling rate (" + numberText(p.samplingRate) +
               " Hz), more than a scene keeps; give it more samples per symbol";
    }
    return std::nullopt;
}

}  // namespace quorvel
