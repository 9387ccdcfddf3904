#include "export/ImpairmentRecord.h"

namespace quorvel {
namespace {

constexpr const char* kAmplifierKey = "quorvel:pa_rapp";
constexpr const char* kClockOffsetKey = "quorvel:clock_offset_ppm";
constexpr const char* kMultipathKey = "quorvel:multipath";
constexpr const char* kFadingKey = "quorvel:fading";
constexpr const char* kPhaseNoiseKey = "quorvel:phase_noise";
constexpr const char* kIqImbalanceKey = "quorvel:iq_imbalance";
constexpr const char* kDcOffsetKey = "quorvel:dc_offset";

constexpr const char* kRayleigh = "rayleigh";
constexpr const char* kRician = "rician";

struct MalformedRecord {
    std::string key;
};

double number(const nlohmann::json& object, const char* member, const char* key) {
    const auto found = object.find(member);
    if (!object.is_object() || found == object.end() || !found->is_number()) {
        throw MalformedRecord{std::string("\"") + key + "\" needs the number \"" + member + "\""};
    }
    return found->get<double>();
}

}  // namespace

void writeImpairmentRecord(nlohmann::ordered_json& global, const Impairments& m) {
    using ImpairmentJson = nlohmann::ordered_json;
    if (m.amplifier) {
        global[kAmplifierKey] =
            ImpairmentJson{{"smoothness", m.amplifier->smoothness}, {"saturation", m.amplifier->saturation}};
    }
    if (m.clockOffsetPpm != 0.0) {
        global[kClockOffsetKey] = m.clockOffsetPpm;
    }
    if (!m.multipath.empty()) {
        ImpairmentJson taps = ImpairmentJson::array();
        for (const MultipathTap& tap : m.multipath) {
            taps.push_back(ImpairmentJson{{"delay_samples", tap.delaySamples},
                                {"gain_db", tap.gainDb},
                                {"phase_degrees", tap.phaseDegrees}});
        }
        global[kMultipathKey] = taps;
    }
    if (m.fading) {
        global[kFadingKey] =
            ImpairmentJson{{"model", m.fading->model == FadingModel::Rician ? kRician : kRayleigh},
                 {"k_factor", m.fading->kFactor},
                 {"doppler_hz", m.fading->dopplerHz}};
    }
    if (m.phaseNoise) {
        global[kPhaseNoiseKey] = ImpairmentJson{{"level_dbc_per_hz", m.phaseNoise->levelDbcPerHz},
                                      {"offset_hz", m.phaseNoise->offsetHz}};
    }
    if (m.hasIqImbalance()) {
        global[kIqImbalanceKey] = ImpairmentJson{{"amplitude_db", m.iqImbalance.amplitudeDb},
                                       {"phase_degrees", m.iqImbalance.phaseDegrees}};
    }
    if (m.hasDcOffset()) {
        global[kDcOffsetKey] = ImpairmentJson{{"i", m.dcOffset.i}, {"q", m.dcOffset.q}};
    }
}

std::optional<std::string> readImpairmentRecord(const nlohmann::json& global, Impairments& m) {
    try {
        if (const auto a = global.find(kAmplifierKey); a != global.end()) {
            m.amplifier = RappCompression{number(*a, "smoothness", kAmplifierKey),
                                          number(*a, "saturation", kAmplifierKey)};
        }
        if (const auto c = global.find(kClockOffsetKey); c != global.end()) {
            if (!c->is_number()) {
                throw MalformedRecord{std::string("\"") + kClockOffsetKey + "\" is not a number"};
            }
            m.clockOffsetPpm = c->get<double>();
        }
        if (const auto taps = global.find(kMultipathKey); taps != global.end()) {
            if (!taps->is_array() || taps->empty()) {
                throw MalformedRecord{std::string("\"") + kMultipathKey + "\" is not an array of taps"};
            }
            for (const auto& tap : *taps) {
                m.multipath.push_back({number(tap, "delay_samples", kMultipathKey),
                                       number(tap, "gain_db", kMultipathKey),
                                       number(tap, "phase_degrees", kMultipathKey)});
            }
        }
        if (const auto f = global.find(kFadingKey); f != global.end()) {
            const auto model = f->is_object() ? f->find("model") : f->end();
            if (model == f->end() || (*model != kRayleigh && *model != kRician)) {
                throw MalformedRecord{std::string("\"") + kFadingKey +
                                "\" needs the model \"rayleigh\" or \"rician\""};
            }
            m.fading =
                Fading{*model == kRician ? FadingModel::Rician : FadingModel::Rayleigh,
                       number(*f, "k_factor", kFadingKey), number(*f, "doppler_hz", kFadingKey)};
        }
        if (const auto p = global.find(kPhaseNoiseKey); p != global.end()) {
            m.phaseNoise = PhaseNoise{number(*p, "level_dbc_per_hz", kPhaseNoiseKey),
                                      number(*p, "offset_hz", kPhaseNoiseKey)};
        }
        if (const auto iq = global.find(kIqImbalanceKey); iq != global.end()) {
            m.iqImbalance = {number(*iq, "amplitude_db", kIqImbalanceKey),
                             number(*iq, "phase_degrees", kIqImbalanceKey)};
        }
        if (const auto dc = global.find(kDcOffsetKey); dc != global.end()) {
            m.dcOffset = {number(*dc, "i", kDcOffsetKey), number(*dc, "q", kDcOffsetKey)};
        }
    } catch (const MalformedRecord& malformed) {
        return malformed.key;
    }
    return std::nullopt;
}

}  // namespace quorvel
