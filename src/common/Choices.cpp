#include "common/Choices.h"

#include <array>

namespace quorvel {
namespace {

constexpr std::array<Choice<DataSource>, 3> kDataSources{{
    {DataSource::CurrentRandom, "random", "Current Random"},
    {DataSource::Prn15Lfsr, "prn15", "PRN 15 LFSR"},
    {DataSource::Prn7Lfsr, "prn7", "PRN 7 LFSR"},
}};

// The control panel offers the first three.
constexpr std::size_t kPanelOutputFormats = 3;
constexpr std::array<Choice<OutputFormat>, 6> kOutputFormats{{
    {OutputFormat::Csv, "csv", "CSV"},
    {OutputFormat::Cf32, "cf32", "cf32 (SigMF)"},
    {OutputFormat::Both, "both", "CSV + cf32"},
    {OutputFormat::Ci16, "ci16", "ci16 (SigMF)"},
    {OutputFormat::Ci8, "ci8", "ci8 (SigMF)"},
    {OutputFormat::Cu8, "cu8", "cu8 (SigMF)"},
}};

template <typename Value>
std::optional<Value> named(std::span<const Choice<Value>> choices, std::string_view name) {
    for (const auto& choice : choices) {
        if (choice.name == name) {
            return choice.value;
        }
    }
    return std::nullopt;
}

template <typename Value>
std::string_view nameOf(std::span<const Choice<Value>> choices, Value value) {
    for (const auto& choice : choices) {
        if (choice.value == value) {
            return choice.name;
        }
    }
    return "unknown";
}

}  // namespace

std::span<const Choice<DataSource>> dataSourceChoices() { return kDataSources; }
std::span<const Choice<OutputFormat>> outputFormatChoices() { return kOutputFormats; }
std::span<const Choice<OutputFormat>> panelOutputFormatChoices() {
    return std::span(kOutputFormats).first(kPanelOutputFormats);
}

std::optional<DataSource> dataSourceNamed(std::string_view name) { return named(dataSourceChoices(), name); }
std::optional<OutputFormat> outputFormatNamed(std::string_view name) { return named(outputFormatChoices(), name); }

std::string_view dataSourceName(DataSource source) { return nameOf(dataSourceChoices(), source); }
std::string_view outputFormatName(OutputFormat format) { return nameOf(outputFormatChoices(), format); }

}  // namespace quorvel
