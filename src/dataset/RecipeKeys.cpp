#include "dataset/RecipeKeys.h"

#include <cmath>

#include "common/Choices.h"
#include "common/TransmitterChoices.h"

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
    {.name = "timing_error", .drawable = true, .lowest = -1.0, .highest = 1.0,
     .rule = "a number of symbol periods from -1 to 1",
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
    {.name = "rolloff", .drawable = true, .lowest = 0.0, .highest = 1.0, .lowestExcluded = true,
     .rule = "a roll-off (BT for gaussian) above 0 and at most 1",
     .apply = [](SignalParameters& p, double v) { p.transmitter.rolloff = v; },
     .read = [](const SignalParameters& p) { return p.transmitter.rolloff; }},
    {.name = "pulse_span", .lowest = 1.0, .highest = 256.0, .whole = true,
     .rule = "a whole number of symbols from 1 to 256",
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
};

}  // namespace

bool RecipeKey::allows(double value) const {
    if (!std::isfinite(value) || value < lowest || value > highest) {
        return false;
    }
    if (whole && value != std::floor(value)) {
        return false;
    }
    return !(lowestExcluded && value == lowest);
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
