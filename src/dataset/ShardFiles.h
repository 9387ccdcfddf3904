#pragma once
// How a dataset is split into shards and what their files are called. Shard I of S holds the
// contiguous captures floor(I x N / S) up to floor((I + 1) x N / S) - 1, so the merge joins the
// shards' files in shard order.

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

inline constexpr std::uint64_t kMaxShards = std::uint64_t{1} << 20;

struct Shard {
    std::uint64_t index = 0;  // 0-based, as Slurm's array task ids
    std::uint64_t count = 1;

    bool whole() const { return count == 1; }
};

struct CaptureRange {
    std::uint64_t first = 0;
    std::uint64_t end = 0;  // one past the last

    std::uint64_t size() const { return end - first; }
};

CaptureRange shardCaptures(Shard shard, std::uint64_t captures);

// "I/S" with 0 <= I < S <= kMaxShards; nothing for any other text.
std::optional<Shard> parseShard(const std::string& text);

// Why text is no shard, in the words every caller gives after the option's name: the rule and the text.
std::string malformedShardProblem(const std::string& text);

// Why a dataset of `captures` cannot be split as shard says, in the same words; nothing if it can.
std::optional<std::string> shardCountProblem(Shard shard, std::uint64_t captures);

// "dataset" for the whole dataset, "dataset.shard-I-of-S" for a shard: the name of its HDF5 file
// without ".h5", or its SigMF recording's.
std::string shardStem(Shard shard);

// The HDF5 file of a shard, or of the whole dataset: stem + ".h5".
std::string hdf5FileName(Shard shard);

// The SigMF collection a run or the merge writes.
inline constexpr const char* kCollectionFileName = "dataset.sigmf-collection";

}  // namespace quorvel
