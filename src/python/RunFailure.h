#pragma once
// Why a run did not give its whole signal, sorted as the command line sorts it by exit code:
// a request that cannot be generated (1), or files that could not be written (3).

#include <optional>
#include <string>

#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

struct RunFailure {
    enum class Kind { Refused, Files };
    Kind kind = Kind::Refused;
    std::string message;  // the command line's lines, without the final line end
};

// Nothing for a run that finished or was cancelled.
std::optional<RunFailure> runFailure(const GenerationResult& result);

}  // namespace quorvel
