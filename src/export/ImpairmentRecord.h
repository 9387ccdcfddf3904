#pragma once
// The impairments in a metadata file: one "quorvel:" key per impairment the run set, none for
// those it did not, so that a run without impairments records exactly what it always did.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "common/Impairments.h"

namespace quorvel {

// Adds the keys of the impairments set to a metadata file's global object.
void writeImpairmentRecord(nlohmann::ordered_json& global, const Impairments& impairments);

// Reads the keys back into impairments (which starts with none set); the reason, naming the key,
// when one is malformed. Their rules are checked where the settings are, not here.
std::optional<std::string> readImpairmentRecord(const nlohmann::json& global,
                                                Impairments& impairments);

}  // namespace quorvel
