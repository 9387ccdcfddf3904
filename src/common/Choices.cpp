#include "common/Choices.h"

#include <array>

namespace quorvel {
namespace {

constexpr std::array<Choice<DataSource>, 3> kDataSources{{
    {DataSource::CurrentRandom, "random", "Current Random"},
    {DataSource::Prn15Lfsr, "prn15", "PRN 15 LFSR"},
    {DataSource::Prn7Lfsr, "prn7", "PRN 7 LFSR"},
}};

constexpr std::array<Choice<OutputFormat>, 3> kOutputFormats{{
    {OutputFormat::Csv, "csv", "CSV"},
    {OutputFormat::Cf32, "cf32", "cf32 (SigMF)"},
    {OutputFormat::Both, "both", "CSV + cf32"},
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

std::optional<DataSource> dataSourceNamed(std::string_view name) { return named(dataSourceChoices(), name); }
std::optional<OutputFormat> outputFormatNamed(std::string_view name) { return named(outputFormatChoices(), name); }

std::string_view dataSourceName(DataSource source) { return nameOf(dataSourceChoices(), source); }
std::string_view outputFormatName(OutputFormat format) { return nameOf(outputFormatChoices(), format); }

}  // namespace quorvel
