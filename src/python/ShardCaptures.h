#pragma once
// The captures of one shard of a dataset, made one at a time in index order, each exactly as the
// dataset's files hold it: for a training loop that takes them from the engine, not from a file.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dataset/CaptureMaking.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/ShardFiles.h"
#include "python/ArraySink.h"

namespace quorvel {

// A recipe's text and a shard's, read as quorvel-cli dataset reads them: the recipe and the
// shard, or the message the command line prints, in its order of checks. recipeName prefixes a
// recipe's problem as the command line prefixes it with the file's path (empty: no prefix).
struct ShardChoice {
    std::optional<DatasetRecipe> recipe;
    Shard shard{};
    std::string problem;
};
ShardChoice chooseShard(const std::string& recipeText, const std::string& recipeName,
                        const std::optional<std::string>& shardText);

struct MadeCapture {
    std::uint64_t index = 0;     // in the whole dataset
    std::size_t classIndex = 0;
    double snrDb = 0.0;
    std::vector<double> fields;  // one per recordedFieldNames(), as the files record them
};

class ShardCaptures {
public:
    ShardCaptures(DatasetRecipe recipe, Shard shard);

    const DatasetRecipe& recipe() const { return recipe_; }
    std::uint64_t size() const { return range_.size(); }

    // Makes the next capture into out, which has room for samplesPerCapture samples of type; its
    // samples are X's row (complex64) or the values before X's rounding (complex128). False, and
    // nothing written, after the shard's last. Callers on several threads each get their own.
    bool next(std::byte* out, SampleType type, MadeCapture& made);

private:
    DatasetRecipe recipe_;
    CaptureRange range_;
    std::mutex mutex_;
    std::uint64_t next_;
    CaptureSamples capture_;
};

}  // namespace quorvel
