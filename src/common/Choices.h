#pragma once
// The data sources and output formats a run can pick: each one's value, the name the command line
// and the metadata use, and the caption of the control panel's list item, in the list's order.

#include <optional>
#include <span>
#include <string_view>

#include "common/SignalParameters.h"

namespace quorvel {

template <typename Value>
struct Choice {
    Value value;
    std::string_view name;     // quorvel-cli's and the metadata's word for it
    std::string_view caption;  // the control panel's list item
};

std::span<const Choice<DataSource>> dataSourceChoices();
std::span<const Choice<OutputFormat>> outputFormatChoices();
// The formats the control panel lists: the text and float files.
std::span<const Choice<OutputFormat>> panelOutputFormatChoices();

// The choice named `name`; nothing when no choice has that name.
std::optional<DataSource> dataSourceNamed(std::string_view name);
std::optional<OutputFormat> outputFormatNamed(std::string_view name);

// The name of a value; "unknown" for a value outside the list (a caller may cast any integer).
std::string_view dataSourceName(DataSource source);
std::string_view outputFormatName(OutputFormat format);

}  // namespace quorvel
