#include "dataset/ShardFiles.h"

#include <charconv>

namespace quorvel {
namespace {

std::uint64_t boundary(std::uint64_t index, std::uint64_t count, std::uint64_t captures) {
    // floor(index x captures / count) without the product overflowing: count is at most 2^20.
    return captures / count * index + captures % count * index / count;
}

}  // namespace

CaptureRange shardCaptures(Shard shard, std::uint64_t captures) {
    return {boundary(shard.index, shard.count, captures), boundary(shard.index + 1, shard.count, captures)};
}

std::optional<Shard> parseShard(const std::string& text) {
    Shard shard;
    const char* const end = text.data() + text.size();
    const auto [slash, error] = std::from_chars(text.data(), end, shard.index);
    if (error != std::errc() || slash == end || *slash != '/') {
        return std::nullopt;
    }
    const auto [last, countError] = std::from_chars(slash + 1, end, shard.count);
    if (countError != std::errc() || last != end || shard.count == 0 || shard.count > kMaxShards ||
        shard.index >= shard.count) {
        return std::nullopt;
    }
    return shard;
}

std::string malformedShardProblem(const std::string& text) {
    return "I/N with 0 <= I < N <= " + std::to_string(kMaxShards) + " (got \"" + text + "\").";
}

std::optional<std::string> shardCountProblem(Shard shard, std::uint64_t captures) {
    if (shard.count <= captures) {
        return std::nullopt;
    }
    return std::to_string(shard.count) + " shards for " + std::to_string(captures) +
           " captures; at most one shard per capture.";
}

std::string shardStem(Shard shard) {
    if (shard.whole()) {
        return "dataset";
    }
    return "dataset.shard-" + std::to_string(shard.index) + "-of-" + std::to_string(shard.count);
}

std::string hdf5FileName(Shard shard) {
    return shardStem(shard) + ".h5";
}

}  // namespace quorvel
