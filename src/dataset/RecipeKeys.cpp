#include "dataset/RecipeKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "common/Choices.h"
#include "common/NumberText.h"
#include "common/TransmitterChoices.h"
#include "modulation/FamilyParameters.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/RunCheck.h"
#include "synthesis/TransmitterCheck.h"

namespace quorvel {
namespace {

std::optional<std::string_view> dataSourceNameAt(std::size_t index) {
    const auto choices = dataSourceChoices();
    return index < choices.size() ? std::optional(choices[index].name) : std::nullopt;
}

std::optional<std::string_view> pulseNameAt(std::size_t index) {
    const auto choices = pulseChoices();
    return index < choices.size() ? std::optional(choices[index].name) : std::nullopt;
}

// The index sources first, then the shift registers (a payload file has no place in a recipe).
std::optional<std::string_view> bitSourceNameAt(std::size_t index) {
    if (index == 0) {
        return bitSourceChoice(BitSource::Indices).name;
    }
    const auto choices = bitSourceChoices();
    return index - 1 < choices.size() && choices[index - 1].length > 0 ? std::optional(choices[index - 1].name)
                                                                         : std::nullopt;
}

std::optional<std::string_view> switchNameAt(std::size_t index) {
    constexpr std::string_view kNames[] = {"off", "on"};
    return index < 2 ? std::optional(kNames[index]) : std::nullopt;
}

std::optional<std::string_view> fadingNameAt(std::size_t index) {
    constexpr std::string_view kNames[] = {"off", "rayleigh", "rician"};
    return index < 3 ? std::optional(kNames[index]) : std::nullopt;
}

// The single-sideband families' words, in the order of SignalParameters::lowerSideband.
std::optional<std::string_view> sidebandNameAt(std::size_t index) {
    constexpr std::string_view kNames[] = {"upper", "lower"};
    return index < 2 ? std::optional(kNames[index]) : std::nullopt;
}

bool keepsOneSideband(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    return scheme != nullptr && scheme->takesSideband;
}

constexpr double kNotSet = std::numeric_limits<double>::quiet_NaN();

// A family's own parameter means something only for the families whose rows list it.
bool listsParameter(const SignalParameters& p, std::string_view name) {
    const Scheme* scheme = findScheme(p.modulationType);
    return scheme != nullptr && std::any_of(scheme->parameters.begin(), scheme->parameters.end(),
                                            [name](const WaveformParameter& parameter) { return parameter.name == name; });
}

bool isTone(const SignalParameters& p) {
    return listsParameter(p, "tone");
}

template <const WaveformParameter& Parameter>
bool listsOwn(const SignalParameters& p) {
    return listsParameter(p, Parameter.name);
}

template <const WaveformParameter& Parameter>
void applyOwn(SignalParameters& p, double v) {
    if (listsOwn<Parameter>(p)) {
        p.values[std::string(Parameter.name)] = v;
    }
}

template <const WaveformParameter& Parameter>
double readOwn(const SignalParameters& p) {
    return listsOwn<Parameter>(p) ? waveformValue(p, Parameter) : kNotSet;
}

// A drawable row for a family's own number, its bounds the parameter's; `whole` for a count.
template <const WaveformParameter& Parameter>
RecipeKey ownKey(std::string_view onlyWith, bool whole = false) {
    return {.name = Parameter.name, .drawable = true, .lowest = Parameter.minimum, .highest = Parameter.maximum,
            .whole = whole, .rule = whole ? "a whole number" : "a number", .statesBounds = true,
            .apply = applyOwn<Parameter>, .read = readOwn<Parameter>, .applies = listsOwn<Parameter>,
            .onlyWith = onlyWith, .recordedWhenGiven = true};
}

// The rows that list OFDM's frame: its keys apply to each of them, as ownKey's do.
bool isOfdm(const SignalParameters& p) {
    return listsParameter(p, "fft_size");
}

// OFDM's parameter with this name, whose bounds its rows keep.
const WaveformParameter& ofdmParameter(std::string_view name) {
    for (const WaveformParameter& parameter : findScheme(ModulationType::Ofdm)->parameters) {
        if (parameter.name == name) {
            return parameter;
        }
    }
    std::abort();  // the catalog's row has each of them
}

// Every word OFDM's subcarriers take ("psk:2", "psk:4" ...), in catalog order.
const std::vector<std::string>& subcarrierWords() {
    static const std::vector<std::string> words = [] {
        std::vector<std::string> all;
        for (const Scheme& scheme : schemeCatalog()) {
            for (const SchemeOrder& order : scheme.linear ? scheme.orders : std::span<const SchemeOrder>{}) {
                all.push_back(std::string(scheme.name) + ":" + std::to_string(order.value));
            }
        }
        return all;
    }();
    return words;
}

std::optional<std::string_view> subcarrierWordAt(std::size_t index) {
    const auto& words = subcarrierWords();
    return index < words.size() ? std::optional<std::string_view>(words[index]) : std::nullopt;
}

void setOfdmValue(SignalParameters& p, std::string_view name, double v) {
    if (listsParameter(p, name)) {
        p.values[std::string(name)] = v;
    }
}

double ofdmValue(const SignalParameters& p, std::string_view name) {
    return listsParameter(p, name) ? waveformValue(p, name) : kNotSet;
}

// A drawn FFT size falls between the offered ones: the largest offered one not above it is taken.
double offeredFftSize(double v) {
    double size = 0.0;
    for (const int offered : ofdmFftSizes()) {
        size = offered <= v ? offered : size;
    }
    return size;
}

// An impairment one key of several sets starts at its own defaults.
RappCompression& amplifierOf(SignalParameters& p) {
    if (!p.impairments.amplifier) {
        p.impairments.amplifier.emplace();
    }
    return *p.impairments.amplifier;
}

PhaseNoise& phaseNoiseOf(SignalParameters& p) {
    if (!p.impairments.phaseNoise) {
        p.impairments.phaseNoise.emplace();
    }
    return *p.impairments.phaseNoise;
}

bool fades(const SignalParameters& p) {
    return p.impairments.fading.has_value();
}

bool fadesRician(const SignalParameters& p) {
    return fades(p) && p.impairments.fading->model == FadingModel::Rician;
}

// Rows for the transmitter and impairment settings go at the end, so that the draws of the rows
// before them, and so every earlier dataset, stay as they are.
const RecipeKey kKeys[] = {
    {.name = "sampling_rate", .wholeDataset = true, .lowest = 0.0, .lowestExcluded = true, .rule = "a finite number of Hz above 0",
     .apply = [](SignalParameters& p, double v) { p.samplingRate = v; },
     .read = [](const SignalParameters& p) { return p.samplingRate; }},
    {.name = "symbol_rate", .drawable = true, .lowest = 0.0, .lowestExcluded = true,
     .rule = "a finite number of Hz above 0", .excludes = "samples_per_symbol",
     .apply = [](SignalParameters& p, double v) { p.symbolRate = v; },
     .read = [](const SignalParameters& p) { return p.symbolRate; }},
    {.name = "samples_per_symbol", .drawable = true, .lowest = 1.0, .rule = "a finite number of at least 1",
     .excludes = "symbol_rate",
     .apply = [](SignalParameters& p, double v) { p.symbolRate = p.samplingRate / v; },
     .read = [](const SignalParameters& p) { return p.samplingRate / p.symbolRate; }},
    {.name = "mixing_frequency", .drawable = true, .rule = "a finite number of Hz",
     .apply = [](SignalParameters& p, double v) { p.mixingFrequency = v; },
     .read = [](const SignalParameters& p) { return p.mixingFrequency; }},
    {.name = "timing_error", .drawable = true, .lowest = -kMaxTimingErrorSymbols, .highest = kMaxTimingErrorSymbols,
     .rule = "a number of symbol periods", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { p.timingError = v; },
     .read = [](const SignalParameters& p) { return p.timingError; }},
    {.name = "frequency_offset", .drawable = true, .rule = "a finite number of Hz",
     .apply = [](SignalParameters& p, double v) { p.frequencyOffset = v; },
     .read = [](const SignalParameters& p) { return p.frequencyOffset; }},
    {.name = "data_source", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) { p.dataSource = dataSourceChoices()[static_cast<std::size_t>(v)].value; },
     .choiceName = dataSourceNameAt},
    // The transmitter. A pulse brings its own default width, which a later rolloff row replaces.
    {.name = "pulse", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) {
         const PulseChoice& pulse = pulseChoices()[static_cast<std::size_t>(v)];
         p.transmitter.pulse = pulse.value;
         p.transmitter.rolloff = pulse.defaultRolloff;
     },
     .choiceName = pulseNameAt},
    {.name = "rolloff", .drawable = true, .lowest = 0.0, .highest = kMaxRolloff, .lowestExcluded = true,
     .rule = "a roll-off (BT for gaussian)", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { p.transmitter.rolloff = v; },
     // A capture without a shaped pulse has no roll-off, as one without an impairment has none.
     .read = [](const SignalParameters& p) { return shapesPulses(p) ? p.transmitter.rolloff : kNotSet; }},
    {.name = "pulse_span", .lowest = 1.0, .highest = kMaxPulseSpanSymbols, .whole = true,
     .rule = "a whole number of symbols", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { p.transmitter.span = static_cast<std::int32_t>(v); }},
    {.name = "exact_timing", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) { p.transmitter.exactTiming = v != 0.0; },
     .choiceName = switchNameAt},
    {.name = "gray", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) { p.transmitter.gray = v != 0.0; },
     .choiceName = switchNameAt},
    {.name = "bit_source", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) {
         p.transmitter.bits = v == 0.0 ? BitSource::Indices : bitSourceChoices()[static_cast<std::size_t>(v) - 1].value;
     },
     .choiceName = bitSourceNameAt},
    // The impairments, in the single-file chain's order. A capture without one records NaN for
    // its numbers (0 for the clock, the IQ imbalance and the DC offset, where 0 is none).
    {.name = "pa_smoothness", .drawable = true,
     .apply = [](SignalParameters& p, double v) { amplifierOf(p).smoothness = v; },
     .read = [](const SignalParameters& p) { return p.impairments.amplifier ? p.impairments.amplifier->smoothness : kNotSet; },
     .impairment = ImpairmentNumber::AmplifierSmoothness, .recordedWhenGiven = true},
    {.name = "pa_saturation", .drawable = true,
     .apply = [](SignalParameters& p, double v) { amplifierOf(p).saturation = v; },
     .read = [](const SignalParameters& p) { return p.impairments.amplifier ? p.impairments.amplifier->saturation : kNotSet; },
     .impairment = ImpairmentNumber::AmplifierSaturation, .recordedWhenGiven = true},
    {.name = "clock_offset", .drawable = true,
     .apply = [](SignalParameters& p, double v) { p.impairments.clockOffsetPpm = v; },
     .read = [](const SignalParameters& p) { return p.impairments.clockOffsetPpm; },
     .impairment = ImpairmentNumber::ClockOffsetPpm, .unit = "ppm", .recordedWhenGiven = true},
    {.name = "multipath", .kind = KeyKind::Taps,
     .applyTaps = [](SignalParameters& p, const std::vector<MultipathTap>& taps) { p.impairments.multipath = taps; }},
    {.name = "fading", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) {
         p.impairments.fading.reset();
         if (v != 0.0) {
             p.impairments.fading = Fading{.model = v == 1.0 ? FadingModel::Rayleigh : FadingModel::Rician};
         }
     },
     .choiceName = fadingNameAt},
    {.name = "k_factor", .drawable = true,
     .apply = [](SignalParameters& p, double v) {
         if (fades(p)) {
             p.impairments.fading->kFactor = v;
         }
     },
     .read = [](const SignalParameters& p) { return fadesRician(p) ? p.impairments.fading->kFactor : kNotSet; },
     .impairment = ImpairmentNumber::KFactor, .needs = "fading", .applies = fadesRician, .onlyWith = "only with \"fading\": \"rician\"",
     .recordedWhenGiven = true},
    {.name = "doppler", .drawable = true, .excludes = "doppler_symbol_fraction",
     .apply = [](SignalParameters& p, double v) {
         if (fades(p)) {
             p.impairments.fading->dopplerHz = v;
         }
     },
     .read = [](const SignalParameters& p) { return fades(p) ? p.impairments.fading->dopplerHz : kNotSet; },
     .impairment = ImpairmentNumber::DopplerHz, .unit = "Hz", .needs = "fading", .applies = fades,
     .onlyWith = "only with \"fading\": \"rayleigh\" or \"rician\"", .recordedWhenGiven = true},
    // The walk's level is only half a setting: 0 dBc/Hz and 0 Hz are no defaults to fall back to.
    {.name = "phase_noise_level", .drawable = true,
     .apply = [](SignalParameters& p, double v) { phaseNoiseOf(p).levelDbcPerHz = v; },
     .read = [](const SignalParameters& p) { return p.impairments.phaseNoise ? p.impairments.phaseNoise->levelDbcPerHz : kNotSet; },
     .impairment = ImpairmentNumber::PhaseNoiseLevel, .unit = "dBc/Hz", .needs = "phase_noise_offset",
     .recordedWhenGiven = true},
    {.name = "phase_noise_offset", .drawable = true,
     .apply = [](SignalParameters& p, double v) { phaseNoiseOf(p).offsetHz = v; },
     .read = [](const SignalParameters& p) { return p.impairments.phaseNoise ? p.impairments.phaseNoise->offsetHz : kNotSet; },
     .impairment = ImpairmentNumber::PhaseNoiseOffset, .unit = "Hz", .needs = "phase_noise_level",
     .recordedWhenGiven = true},
    {.name = "iq_imbalance_amplitude", .drawable = true,
     .apply = [](SignalParameters& p, double v) { p.impairments.iqImbalance.amplitudeDb = v; },
     .read = [](const SignalParameters& p) { return p.impairments.iqImbalance.amplitudeDb; },
     .impairment = ImpairmentNumber::IqAmplitudeDb, .unit = "dB", .recordedWhenGiven = true},
    {.name = "iq_imbalance_phase", .drawable = true,
     .apply = [](SignalParameters& p, double v) { p.impairments.iqImbalance.phaseDegrees = v; },
     .read = [](const SignalParameters& p) { return p.impairments.iqImbalance.phaseDegrees; },
     .impairment = ImpairmentNumber::IqPhaseDegrees, .unit = "degrees", .recordedWhenGiven = true},
    {.name = "dc_offset_i", .drawable = true,
     .apply = [](SignalParameters& p, double v) { p.impairments.dcOffset.i = v; },
     .read = [](const SignalParameters& p) { return p.impairments.dcOffset.i; },
     .impairment = ImpairmentNumber::DcOffset, .recordedWhenGiven = true},
    {.name = "dc_offset_q", .drawable = true,
     .apply = [](SignalParameters& p, double v) { p.impairments.dcOffset.q = v; },
     .read = [](const SignalParameters& p) { return p.impairments.dcOffset.q; },
     .impairment = ImpairmentNumber::DcOffset, .recordedWhenGiven = true},
    // The run check holds the tone to half the sampling rate, as on the command line.
    {.name = "tone", .drawable = true, .rule = "a finite number of Hz",
     .apply = [](SignalParameters& p, double v) {
         if (isTone(p)) {
             p.values["tone"] = v;
         }
     },
     .read = [](const SignalParameters& p) { return isTone(p) ? waveformValue(p, "tone") : kNotSet; },
     .unit = "Hz", .applies = isTone, .onlyWith = "only with \"modulation\": \"tone\"", .recordedWhenGiven = true},
    ownKey<kModIndex>("only with \"modulation\": \"cpfsk\" or \"gfsk\""),
    ownKey<kBandwidthTime>("only with \"modulation\": \"gfsk\""),
    ownKey<kChirpBandwidth>("only with \"modulation\": \"lfm\" or \"chirpss\""),
    ownKey<kChirpLength>("only with \"modulation\": \"lfm\"", true),
    ownKey<kChirpGap>("only with \"modulation\": \"lfm\"", true),
    ownKey<kSpreadingFactor>("only with \"modulation\": \"chirpss\"", true),
    {.name = "subcarriers", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) {
         setOfdmValue(p, "subcarriers", *ofdmParameter("subcarriers").fromWord(*subcarrierWordAt(static_cast<std::size_t>(v))));
     },
     .choiceName = subcarrierWordAt, .applies = isOfdm, .onlyWith = "only with \"modulation\": \"ofdm\""},
    {.name = "fft_size", .drawable = true, .lowest = ofdmParameter("fft_size").minimum,
     .highest = ofdmParameter("fft_size").maximum, .whole = true,
     .rule = "a whole number of bins (the largest offered size not above it is taken)", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { setOfdmValue(p, "fft_size", offeredFftSize(v)); },
     .read = [](const SignalParameters& p) { return ofdmValue(p, "fft_size"); },
     .applies = isOfdm, .onlyWith = "only with \"modulation\": \"ofdm\"", .recordedWhenGiven = true},
    {.name = "cp_ratio", .drawable = true, .lowest = ofdmParameter("cp_ratio").minimum,
     .highest = ofdmParameter("cp_ratio").maximum, .rule = "a share of the FFT size", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { setOfdmValue(p, "cp_ratio", v); },
     .read = [](const SignalParameters& p) { return ofdmValue(p, "cp_ratio"); },
     .applies = isOfdm, .onlyWith = "only with \"modulation\": \"ofdm\"", .recordedWhenGiven = true},
    {.name = "active", .drawable = true, .lowest = ofdmParameter("active").minimum,
     .highest = ofdmParameter("active").maximum, .whole = true,
     .rule = "a whole number of subcarriers below the FFT size (0: about 5/6 of it)", .statesBounds = true,
     .apply = [](SignalParameters& p, double v) { setOfdmValue(p, "active", v); },
     .read = [](const SignalParameters& p) { return ofdmValue(p, "active"); },
     .applies = isOfdm, .onlyWith = "only with \"modulation\": \"ofdm\"", .recordedWhenGiven = true},
    // Fading as fast as the symbols: the Doppler frequency as a fraction of the capture's symbol
    // rate, drawn or not; at most half of it, so within half the sampling rate as every Doppler.
    {.name = "doppler_symbol_fraction", .drawable = true, .lowest = 0.0, .highest = 0.5,
     .rule = "a fraction of the symbol rate", .statesBounds = true, .excludes = "doppler",
     .apply = [](SignalParameters& p, double v) {
         if (fades(p)) {
             p.impairments.fading->dopplerHz = v * p.symbolRate;
         }
     },
     .read = [](const SignalParameters& p) { return fades(p) ? p.impairments.fading->dopplerHz / p.symbolRate : kNotSet; },
     .needs = "fading", .applies = fades, .onlyWith = "only with \"fading\": \"rayleigh\" or \"rician\"",
     .recordedWhenGiven = true},
    ownKey<kModDepth>("only with \"modulation\": \"am-dsb\" or \"am-ssb\""),
    ownKey<kDeviation>("only with \"modulation\": \"fm\""),
    ownKey<kMessageBandwidth>("only with an analog \"modulation\": \"am-dsb\", \"am-dsb-sc\", \"am-ssb\", \"am-ssb-sc\" or \"fm\""),
    {.name = "sideband", .kind = KeyKind::Choice,
     .apply = [](SignalParameters& p, double v) {
         if (keepsOneSideband(p)) {
             p.lowerSideband = v != 0.0;
         }
     },
     .choiceName = sidebandNameAt, .applies = keepsOneSideband,
     .onlyWith = "only with \"modulation\": \"am-ssb\" or \"am-ssb-sc\""},
};

}  // namespace

bool RecipeKey::allows(double value, double samplingRate) const {
    if (impairment) {
        return impairmentBounds(*impairment, samplingRate).allows(value);
    }
    if (!std::isfinite(value) || value < lowest || value > highest) {
        return false;
    }
    if (whole && value != std::floor(value)) {
        return false;
    }
    return !(lowestExcluded && value == lowest);
}

namespace {

// "from L to H", "above L and at most H", "at least L" or "at most H", after a space.
std::string boundsText(double lowest, double highest, bool lowestExcluded, const std::string& between) {
    const bool low = lowest > -INFINITY, high = highest < INFINITY;
    if (low && high) {
        return lowestExcluded ? " above " + numberText(lowest) + " and at most " + numberText(highest)
                              : " from " + numberText(lowest) + " to " + numberText(highest);
    }
    if (low) {
        return lowestExcluded ? " above " + numberText(lowest) : between + "at least " + numberText(lowest);
    }
    return high ? between + "at most " + numberText(highest) : "";
}

}  // namespace

std::string RecipeKey::ruleText(double samplingRate) const {
    if (!impairment) {
        return statesBounds ? std::string(rule) + boundsText(lowest, highest, lowestExcluded, " ") : std::string(rule);
    }
    const ImpairmentBounds b = impairmentBounds(*impairment, samplingRate);
    const std::string text = unit.empty() ? "a finite number" : "a finite number of " + std::string(unit);
    return text + boundsText(b.lowest, b.highest, b.lowestExcluded, unit.empty() ? " of " : ", ");
}

std::span<const RecipeKey> recipeKeys() {
    return kKeys;
}

const RecipeKey* findRecipeKey(std::string_view name) {
    for (const RecipeKey& key : kKeys) {
        if (key.name == name) {
            return &key;
        }
    }
    return nullptr;
}

void applyKeySetting(const KeySetting& setting, double value, SignalParameters& parameters) {
    const RecipeKey& key = kKeys[setting.row];
    if (setting.drawnMultipath) {
        const DrawnMultipath& drawn = *setting.drawnMultipath;
        key.applyTaps(parameters, delayProfileTaps(drawn.profile, value, drawn.exponentialTaps, parameters.samplingRate));
    } else if (key.kind == KeyKind::Taps) {
        key.applyTaps(parameters, setting.taps);
    } else {
        key.apply(parameters, value);
    }
}

bool recordsRow(const DatasetRecipe& recipe, std::size_t row) {
    if (!kKeys[row].drawable) {
        return false;
    }
    if (!kKeys[row].recordedWhenGiven) {
        return true;
    }
    for (const DatasetClass& c : recipe.classes) {
        for (const KeySetting& s : c.settings) {
            if (s.row == row) {
                return true;
            }
        }
    }
    return false;
}

std::string choiceNamesText(const RecipeKey& key) {
    std::string text;
    std::size_t count = 0;
    while (key.choiceName(count)) {
        ++count;
    }
    for (std::size_t k = 0; k < count; ++k) {
        text += (k == 0 ? "" : k + 1 == count ? " or " : ", ") + std::string(*key.choiceName(k));
    }
    return text;
}

}  // namespace quorvel
