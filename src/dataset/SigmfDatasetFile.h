#pragma once
// The dataset as SigMF: one recording per shard (stem.sigmf-data, cf32_le, the captures one after
// another; stem.sigmf-meta with one annotation per capture holding its label, index, SNR and
// recorded settings) and a collection, dataset.sigmf-collection, naming every recording with the
// SHA-512 of its metadata file. The metadata is written as the captures arrive, an annotation at
// a time, so memory stays bounded however many captures a recording holds. A scene's capture
// annotation is followed by one per box (core:sample_start, core:sample_count, core:freq_lower_edge,
// core:freq_upper_edge, core:label and the box's other columns as quorvel:<column>), in time order.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/FileDigest.h"
#include "dataset/CaptureRecord.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/SceneLabels.h"
#include "dataset/ShardFiles.h"
#include "export/ByteOutput.h"

namespace quorvel {

// The SHA-512 of a file's bytes as lower-case hex; throws std::runtime_error when it cannot be read.
std::string sha512OfFile(const std::string& path);

class SigmfDatasetWriter final : public CaptureWriter {
public:
    // Starts folder/shardStem(shard).sigmf-data and .sigmf-meta, whole only after finish(true).
    SigmfDatasetWriter(const std::string& folder, const DatasetRecipe& recipe, Shard shard);

    void write(const CaptureRecord& capture) override;
    std::optional<std::string> finish(bool complete) override;

private:
    void writeMeta(const std::string& text);
    void writeBoxes(const CaptureRecord& capture);

    ByteOutput data_;
    ByteOutput meta_;
    std::vector<std::string> labels_;
    std::vector<std::string> fields_;
    std::vector<BoxColumn> boxColumns_;  // a scene's; empty otherwise
    std::uint32_t samples_ = 0;
    std::uint64_t written_ = 0;
    std::vector<unsigned char> bytes_;
    std::optional<Digest> dataSum_;     // with the recipe's checksums
    std::uint64_t sumOffset_ = 0;       // where in the metadata the sum goes
    std::vector<std::string> stale_;    // removed before the new files are renamed into place
};

// One SigMF annotation (JSON text) per box of a scene capture's rows (appendSceneBoxRows), in time
// order, its core:sample_start counted from firstSample, the capture's first sample in the recording.
std::vector<std::string> boxAnnotationTexts(std::span<const double> rows, const std::vector<BoxColumn>& columns,
                                            const std::vector<std::string>& labels, std::uint64_t firstSample);

// The first line of a recording's metadata file: its "global" object, holding the recipe under
// "quorvel:recipe" and the shard under "quorvel:shard_index" and "quorvel:shard_count". Throws
// std::runtime_error when the file is not one of ours.
std::string readRecordingGlobalLine(const std::string& metaPath);

// Writes folder/dataset.sigmf-collection naming the recordings (stems, in order). Nothing on
// success, otherwise why not.
std::optional<std::string> writeSigmfCollection(const std::string& folder, const std::vector<std::string>& stems);

}  // namespace quorvel
