#pragma once
// Making a shard of a dataset: its captures made on every core, a batch at a time, and handed in
// index order to the shard's file, which is whole under its name only when every capture is in.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dataset/DatasetRecipe.h"
#include "dataset/ShardFiles.h"

namespace quorvel {

enum class DatasetFormat { Hdf5, Sigmf };

struct DatasetRunOptions {
    Shard shard{};
    DatasetFormat format = DatasetFormat::Hdf5;
    unsigned threads = 0;  // at most, as the thread budget allows; 0: the whole budget
    // Called after every batch with the shard's captures done and its total.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress{};
    const std::atomic<bool>* cancel = nullptr;  // stops at the next batch; nothing is kept
};

struct DatasetRunResult {
    std::vector<std::string> writtenFiles;
    std::string failure;  // why the files could not be written; empty on success
    bool cancelled = false;
};

// Writes the shard's files into folder, which must exist.
DatasetRunResult runDataset(const DatasetRecipe& recipe, const std::string& folder, const DatasetRunOptions& options);

}  // namespace quorvel
