#include "request/ImpairmentSettings.h"

#include <array>
#include <cmath>
#include <vector>

#include "common/NumberText.h"
#include "request/FieldParsing.h"

namespace quorvel {
namespace {

// Bounds that keep every sample finite and every stage's memory small: a tap gain beyond 40 dB
// or a clock 10 % off is no impairment a receiver is tested against.
constexpr double kMaxClockOffsetPpm = 1e5;
constexpr double kMaxDelaySamples = 1e5;
constexpr double kMaxTapGainDb = 40.0;
constexpr std::size_t kMaxTaps = 32;
constexpr double kMaxPhaseNoiseDbcPerHz = 0.0;
constexpr double kMaxIqAmplitudeDb = 20.0;
constexpr double kMaxIqPhaseDegrees = 45.0;
// Below these the amplifier's output, and so the capture, rounds to zero in single precision.
constexpr double kMinAmplifierSmoothness = 0.1;
constexpr double kMinAmplifierSaturation = 1e-6;
// Beyond this a DC offset drowns the signal in single precision, and its square overflows.
constexpr double kMaxDcOffset = 1e6;

constexpr std::array<ImpairmentSettingName, 8> kNames{{
    {ImpairmentSetting::Amplifier, &ImpairmentTexts::amplifier, "--pa", "Amplifier", "rapp:P,A",
     "Amplifier compression, Rapp model: smoothness P, saturation level A"},
    {ImpairmentSetting::ClockOffset, &ImpairmentTexts::clockOffset, "--clock-offset",
     "Clock offset", "PPM", "Sampling clock fast (negative: slow) by PPM parts per million"},
    {ImpairmentSetting::Multipath, &ImpairmentTexts::multipath, "--multipath", "Multipath",
     "\"D:G:P ...\"", "Static taps: delay D [samples], gain G [dB], phase P [degrees]"},
    {ImpairmentSetting::Fading, &ImpairmentTexts::fading, "--fading", "Fading", "rayleigh|rician:K",
     "Flat fading of mean power 1 (each tap on its own with --multipath), Rician K-factor K"},
    {ImpairmentSetting::Doppler, &ImpairmentTexts::doppler, "--doppler", "Doppler", "HZ",
     "Maximum Doppler frequency of the fading [Hz]"},
    {ImpairmentSetting::PhaseNoise, &ImpairmentTexts::phaseNoise, "--phase-noise", "Phase noise",
     "L@F", "Random-walk phase noise of L dBc/Hz at offset F Hz"},
    {ImpairmentSetting::IqImbalance, &ImpairmentTexts::iqImbalance, "--iq-imbalance",
     "IQ imbalance", "A,PHI", "Receiver IQ imbalance: amplitude A [dB], phase PHI [degrees]"},
    {ImpairmentSetting::DcOffset, &ImpairmentTexts::dcOffset, "--dc-offset", "DC offset", "I,Q",
     "Receiver DC offset added to every sample"},
}};

std::string halfRate(double samplingRateHz) {
    return "half the sampling rate (" + numberText(samplingRateHz / 2.0) + " Hz)";
}

std::string ruleOf(ImpairmentSetting setting, double samplingRateHz) {
    switch (setting) {
        case ImpairmentSetting::Amplifier:
            return "use rapp:P,A with a smoothness P of at least " + numberText(kMinAmplifierSmoothness) +
                   " and a level A of at least " + numberText(kMinAmplifierSaturation);
        case ImpairmentSetting::ClockOffset:
            return "use a number of parts per million from -" + numberText(kMaxClockOffsetPpm) +
                   " to " + numberText(kMaxClockOffsetPpm);
        case ImpairmentSetting::Multipath:
            return "use at most " + std::to_string(kMaxTaps) +
                   " taps D:G:P separated by blanks, each with a delay D of 0 to " +
                   numberText(kMaxDelaySamples) + " samples, a gain G of at most " +
                   numberText(kMaxTapGainDb) + " dB and a phase P in degrees";
        case ImpairmentSetting::Fading:
            return "use rayleigh, or rician:K with a linear K-factor K of 0 or more";
        case ImpairmentSetting::Doppler:
            return "use a maximum Doppler frequency from 0 Hz to " + halfRate(samplingRateHz) +
                   ", with a fading model";
        case ImpairmentSetting::PhaseNoise:
            return "use L@F with a level L of at most " + numberText(kMaxPhaseNoiseDbcPerHz) +
                   " dBc/Hz at an offset F above 0 Hz and at most " + halfRate(samplingRateHz);
        case ImpairmentSetting::IqImbalance:
            return "use A,PHI with an amplitude imbalance A of -" + numberText(kMaxIqAmplitudeDb) +
                   " to " + numberText(kMaxIqAmplitudeDb) + " dB and a phase imbalance PHI of -" +
                   numberText(kMaxIqPhaseDegrees) + " to " + numberText(kMaxIqPhaseDegrees) +
                   " degrees";
        case ImpairmentSetting::DcOffset:
            return "use I,Q, two numbers from -" + numberText(kMaxDcOffset) + " to " + numberText(kMaxDcOffset);
    }
    return {};
}

bool within(double value, double low, double high) {
    return value >= low && value <= high;
}

bool isFinite(double value) {
    return std::isfinite(value);
}

bool keeps(ImpairmentNumber number, double value, double samplingRateHz) {
    return impairmentBounds(number, samplingRateHz).allows(value);
}

// Whether the values of one setting keep its rule.
bool keepsRule(ImpairmentSetting setting, const Impairments& m, double samplingRateHz) {
    using enum ImpairmentNumber;
    const auto keep = [samplingRateHz](ImpairmentNumber number, double value) {
        return keeps(number, value, samplingRateHz);
    };
    switch (setting) {
        case ImpairmentSetting::Amplifier:
            return !m.amplifier || (keep(AmplifierSmoothness, m.amplifier->smoothness) &&
                                    keep(AmplifierSaturation, m.amplifier->saturation));
        case ImpairmentSetting::ClockOffset:
            return keep(ClockOffsetPpm, m.clockOffsetPpm);
        case ImpairmentSetting::Multipath:
            if (m.multipath.size() > kMaxTaps) {
                return false;
            }
            for (const MultipathTap& tap : m.multipath) {
                if (!within(tap.delaySamples, 0.0, kMaxDelaySamples) || !isFinite(tap.gainDb) ||
                    tap.gainDb > kMaxTapGainDb || !isFinite(tap.phaseDegrees)) {
                    return false;
                }
            }
            return true;
        case ImpairmentSetting::Fading:
            return !m.fading || keep(KFactor, m.fading->kFactor);
        case ImpairmentSetting::Doppler:
            return !m.fading || keep(DopplerHz, m.fading->dopplerHz);
        case ImpairmentSetting::PhaseNoise:
            return !m.phaseNoise || (keep(PhaseNoiseLevel, m.phaseNoise->levelDbcPerHz) &&
                                     keep(PhaseNoiseOffset, m.phaseNoise->offsetHz));
        case ImpairmentSetting::IqImbalance:
            return keep(IqAmplitudeDb, m.iqImbalance.amplitudeDb) &&
                   keep(IqPhaseDegrees, m.iqImbalance.phaseDegrees);
        case ImpairmentSetting::DcOffset:
            return keep(DcOffset, m.dcOffset.i) && keep(DcOffset, m.dcOffset.q);
    }
    return false;
}

// A text that does not parse, or whose values break the rule.
struct MalformedImpairment {
    ImpairmentSetting setting;
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The pieces of text between separators (blank pieces kept, so "1,,2" has three).
std::vector<std::string_view> pieces(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    for (std::size_t end = text.find(separator); end != std::string_view::npos;
         end = text.find(separator, begin)) {
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    parts.push_back(text.substr(begin));
    return parts;
}

// The finite numbers a text of exactly `count` pieces spells.
std::vector<double> numbers(std::string_view text, char separator, std::size_t count,
                            ImpairmentSetting setting) {
    const std::vector<std::string_view> parts = pieces(text, separator);
    if (parts.size() != count) {
        throw MalformedImpairment{setting};
    }
    std::vector<double> values;
    for (const std::string_view part : parts) {
        const auto value = parseRealField(trimmed(part));
        if (!value || !std::isfinite(*value)) {
            throw MalformedImpairment{setting};
        }
        values.push_back(*value);
    }
    return values;
}

std::vector<MultipathTap> taps(std::string_view text) {
    std::vector<MultipathTap> read;
    std::size_t begin = text.find_first_not_of(" \t");
    while (begin != std::string_view::npos) {
        const std::size_t end = text.find_first_of(" \t", begin);
        const std::string_view tap =
            text.substr(begin, end == std::string_view::npos ? end : end - begin);
        const auto v = numbers(tap, ':', 3, ImpairmentSetting::Multipath);
        read.push_back({v[0], v[1], v[2]});
        begin = end == std::string_view::npos ? end : text.find_first_not_of(" \t", end);
    }
    if (read.empty()) {
        throw MalformedImpairment{ImpairmentSetting::Multipath};
    }
    return read;
}

std::optional<Fading> fadingOf(std::string_view text) {
    const std::string_view model = trimmed(text);
    if (model == "rayleigh") {
        return Fading{};
    }
    constexpr std::string_view kRician = "rician:";
    if (model.substr(0, kRician.size()) != kRician) {
        throw MalformedImpairment{ImpairmentSetting::Fading};
    }
    const auto k = numbers(model.substr(kRician.size()), ',', 1, ImpairmentSetting::Fading);
    return Fading{.model = FadingModel::Rician, .kFactor = k[0]};
}

RappCompression amplifierOf(std::string_view text) {
    constexpr std::string_view kRapp = "rapp:";
    const std::string_view model = trimmed(text);
    if (model.substr(0, kRapp.size()) != kRapp) {
        throw MalformedImpairment{ImpairmentSetting::Amplifier};
    }
    const auto v = numbers(model.substr(kRapp.size()), ',', 2, ImpairmentSetting::Amplifier);
    return {v[0], v[1]};
}

// Parses every text in chain order; a text that parses is checked against its rule before the
// next is read, so the first fault in chain order is the one reported.
Impairments parsed(const ImpairmentTexts& t, double samplingRateHz) {
    Impairments m;
    const auto check = [&](ImpairmentSetting setting) {
        if (!keepsRule(setting, m, samplingRateHz)) {
            throw MalformedImpairment{setting};
        }
    };
    if (!t.amplifier.empty()) {
        m.amplifier = amplifierOf(t.amplifier);
    }
    check(ImpairmentSetting::Amplifier);
    if (!t.clockOffset.empty()) {
        m.clockOffsetPpm = numbers(t.clockOffset, ',', 1, ImpairmentSetting::ClockOffset)[0];
    }
    check(ImpairmentSetting::ClockOffset);
    if (!t.multipath.empty()) {
        m.multipath = taps(t.multipath);
    }
    check(ImpairmentSetting::Multipath);
    if (!t.fading.empty()) {
        m.fading = fadingOf(t.fading);
    }
    check(ImpairmentSetting::Fading);
    if (m.fading.has_value() != !t.doppler.empty()) {
        throw MalformedImpairment{ImpairmentSetting::Doppler};
    }
    if (m.fading) {
        m.fading->dopplerHz = numbers(t.doppler, ',', 1, ImpairmentSetting::Doppler)[0];
    }
    check(ImpairmentSetting::Doppler);
    if (!t.phaseNoise.empty()) {
        const auto v = numbers(t.phaseNoise, '@', 2, ImpairmentSetting::PhaseNoise);
        m.phaseNoise = PhaseNoise{v[0], v[1]};
    }
    check(ImpairmentSetting::PhaseNoise);
    if (!t.iqImbalance.empty()) {
        const auto v = numbers(t.iqImbalance, ',', 2, ImpairmentSetting::IqImbalance);
        m.iqImbalance = {v[0], v[1]};
    }
    check(ImpairmentSetting::IqImbalance);
    if (!t.dcOffset.empty()) {
        const auto v = numbers(t.dcOffset, ',', 2, ImpairmentSetting::DcOffset);
        m.dcOffset = {v[0], v[1]};
    }
    check(ImpairmentSetting::DcOffset);
    return m;
}

}  // namespace

ImpairmentBounds impairmentBounds(ImpairmentNumber number, double samplingRateHz) {
    const double halfRateHz = samplingRateHz / 2.0;
    switch (number) {
        case ImpairmentNumber::AmplifierSmoothness:
            return {.lowest = kMinAmplifierSmoothness};
        case ImpairmentNumber::AmplifierSaturation:
            return {.lowest = kMinAmplifierSaturation};
        case ImpairmentNumber::ClockOffsetPpm:
            return {.lowest = -kMaxClockOffsetPpm, .highest = kMaxClockOffsetPpm};
        case ImpairmentNumber::KFactor:
            return {.lowest = 0.0};
        case ImpairmentNumber::DopplerHz:
            return {.lowest = 0.0, .highest = halfRateHz};
        case ImpairmentNumber::PhaseNoiseLevel:
            return {.highest = kMaxPhaseNoiseDbcPerHz};
        case ImpairmentNumber::PhaseNoiseOffset:
            return {.lowest = 0.0, .highest = halfRateHz, .lowestExcluded = true};
        case ImpairmentNumber::IqAmplitudeDb:
            return {.lowest = -kMaxIqAmplitudeDb, .highest = kMaxIqAmplitudeDb};
        case ImpairmentNumber::IqPhaseDegrees:
            return {.lowest = -kMaxIqPhaseDegrees, .highest = kMaxIqPhaseDegrees};
        case ImpairmentNumber::DcOffset:
            return {.lowest = -kMaxDcOffset, .highest = kMaxDcOffset};
    }
    return {};
}

std::span<const ImpairmentSettingName> impairmentSettingNames() {
    return kNames;
}

const ImpairmentSettingName& nameOf(ImpairmentSetting setting) {
    return kNames[static_cast<std::size_t>(setting)];
}

ImpairmentReading readImpairments(const ImpairmentTexts& texts, double samplingRateHz) {
    try {
        return {parsed(texts, samplingRateHz), std::nullopt};
    } catch (const MalformedImpairment& malformed) {
        const std::string& text = texts.*nameOf(malformed.setting).text;
        return {std::nullopt,
                ImpairmentProblem{malformed.setting, ruleOf(malformed.setting, samplingRateHz) +
                                                         " (got \"" + text + "\")."}};
    }
}

std::optional<ImpairmentProblem> impairmentsProblem(const Impairments& impairments,
                                                    double samplingRateHz) {
    for (const ImpairmentSettingName& name : kNames) {
        if (!keepsRule(name.setting, impairments, samplingRateHz)) {
            return ImpairmentProblem{name.setting, ruleOf(name.setting, samplingRateHz) + "."};
        }
    }
    return std::nullopt;
}

}  // namespace quorvel
