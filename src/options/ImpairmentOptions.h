#pragma once
// quorvel-cli's impairment options: one text each, read by the request layer's rules.

#include <array>
#include <optional>
#include <string>

#include "common/Impairments.h"

namespace CLI {
class App;
}

namespace quorvel {

struct ImpairmentOptions {
    // In the order of impairmentSettingNames(); nothing when the option was not given.
    std::array<std::optional<std::string>, 8> texts{};
};

// Declares the options in group, bound to o.
void addImpairmentOptions(CLI::App& app, ImpairmentOptions& o, const char* group);

// The impairments the options set, for a run at samplingRateHz. Throws OptionError, naming the
// option, for an empty value or one that breaks its rule.
Impairments impairmentsFrom(const ImpairmentOptions& o, double samplingRateHz);

}  // namespace quorvel
