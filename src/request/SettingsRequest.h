#pragma once
// One request layer below both front ends: the settings as a front end hands them over (its
// lists' choices and each field's text as typed), their defaults, and the order in which they
// are read. Only the form of each value is checked here; whether the values make sense together
// is the run check's decision.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "common/SignalParameters.h"
#include "request/FieldText.h"
#include "request/TransmitterRequest.h"

namespace quorvel {

// The settings that are typed, in the order a run reads them.
enum class Setting {
    SymbolRate,
    SamplingRate,
    ApskRadii,
    SymbolCount,
    Snr,
    MixingFrequency,
    TimingError,
    FrequencyOffset,
    FileCount,
    SavePath,
};

// The text a setting starts with, in both front ends: the default run's value.
std::string defaultText(Setting setting);

struct SettingsRequest {
    // The lists' choices; nothing when the list has no usable selection.
    std::optional<ModulationType> scheme = ModulationType::Psk;
    std::optional<DataSource> source = DataSource::CurrentRandom;
    std::optional<OutputFormat> format = OutputFormat::Csv;
    // The chosen scheme's order; nothing when its list has no usable selection. A scheme
    // without orders ignores it.
    std::optional<std::int32_t> order{};
    FieldText symbolRate{};
    FieldText samplingRate{};
    FieldText apskRadii{};  // read for a scheme with ring radii only
    FieldText symbolCount{};
    FieldText snr{};
    FieldText mixingFrequency{};
    FieldText timingError{};
    FieldText frequencyOffset{};
    FieldText fileCount{};
    // The chosen family's own parameters by name; a missing one takes its default.
    std::map<std::string, FieldText, std::less<>> values{};
    // The analog families' message ("" for noise, "tone:HZ[,HZ...]") and sideband; the others
    // ignore them.
    std::string analogMessage{};
    bool lowerSideband = false;
    TransmitterRequest transmitter{};
};

// The outcome of reading a request: the settings when every value is well formed, otherwise the
// message of the first that is not.
struct SettingsReading {
    std::optional<SignalParameters> parameters;
    std::string message;  // empty when parameters holds a value

    explicit operator bool() const { return parameters.has_value(); }
};

// Reads the request in the panel's fixed order (lists, rates, order, counts, channel, files,
// folder, format) and stops at the first malformed value. Infinite or not-a-number values are
// malformed, except an SNR of +infinity, which asks for no noise. The folder is taken as given
// and only refused when empty.
SettingsReading readSettings(const SettingsRequest& request, std::string folder);

}  // namespace quorvel
