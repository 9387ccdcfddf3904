#pragma once
// Settings read back from a recording, held to the rules a run of this program is given them by.

#include <optional>
#include <string>

#include "common/SignalParameters.h"

namespace quorvel {

// Why recorded settings are not ones a run of this program could have been given, if they are
// not: the chosen scheme's order must be one it offers, the other schemes' orders 0, and only a
// scheme with rings has ring radii, no longer than a field holds, as the request layer leaves them.
std::optional<std::string> recordedSettingsProblem(const SignalParameters& parameters);

}  // namespace quorvel
