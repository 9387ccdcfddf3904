#pragma once
// One scene capture as a recording of its own: folder/scene_I.sigmf-data (cf32_le) and
// folder/scene_I.sigmf-meta, whose annotations are the capture's boxes (SigmfDatasetFile.h) and
// whose capture segment holds, with a receiver, its drawn settings ("quorvel:receiver_KEY"), each
// file whole under its name, written under the folder's lock.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dataset/DatasetRecipe.h"

namespace quorvel {

// Makes capture `index` of a recipe with a scene into folder, which must exist. Nothing on success
// (the files' paths in written), otherwise why not.
std::optional<std::string> writeSceneRecording(const DatasetRecipe& recipe, std::uint64_t index, const std::string& folder,
                                               std::vector<std::string>& written);

}  // namespace quorvel
