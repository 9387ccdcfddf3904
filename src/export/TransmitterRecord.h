#pragma once
// The transmitter settings in a metadata file: only those that differ from the plain mapper and
// resampling are written, so a file made without them records exactly what it always did.

#include <nlohmann/json.hpp>

#include "common/SignalParameters.h"

namespace quorvel {

// Adds the keys of the run's transmitter settings to the global object.
void writeTransmitter(nlohmann::ordered_json& global, const SignalParameters& parameters);

// Reads them back (absent keys: the defaults); throws FieldProblem for a malformed one.
void readTransmitter(const nlohmann::json& global, Transmitter& transmitter);

}  // namespace quorvel
