#pragma once
// Joining the shards' files of a dataset into what one process writes for the whole of it.
// HDF5: the shards' captures are read back in order and written through the same writer, in the
// same whole chunks, so dataset.h5 is byte for byte the file an unsharded run writes. SigMF: each
// shard's recording stays as it is, and the collection naming all of them is written.

#include <string>
#include <vector>

namespace quorvel {

struct MergeResult {
    std::vector<std::string> writtenFiles;
    std::string problem;   // why the shards cannot be merged (nothing is written then)
    std::string failure;   // why the merged file could not be written
};

// Merges every complete set of shards in folder (HDF5, SigMF or both).
MergeResult mergeDataset(const std::string& folder);

}  // namespace quorvel
