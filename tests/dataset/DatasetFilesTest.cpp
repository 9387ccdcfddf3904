// A dataset made whole and made in shards, merged, is the same file: byte for byte in HDF5, and
// sample for sample across the SigMF recordings.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/DatasetRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

// 3 classes x 2 SNRs x 50 captures: 300, which no shard count below divides evenly, more than one
// batch of captures and three chunks of the file (128 captures of 1024 samples each).
const char* const kDatasetFilesRecipe = R"({
  "seed": 2024, "samples_per_capture": 1024, "captures_per_class_and_snr": 50,
  "snr": {"start": -4, "stop": 6, "step": 10}, "sampling_rate": 8000,
  "samples_per_symbol": {"min": 4, "max": 9}, "frequency_offset": {"min": -40, "max": 40},
  "timing_error": {"min": -0.2, "max": 0.2},
  "phase_noise_level": {"min": -90, "max": -70}, "phase_noise_offset": 50, "dc_offset_q": {"min": 0, "max": 0.1},
  "classes": [{"label": "8PSK", "modulation": "psk", "order": 8}, {"label": "OQPSK", "modulation": "oqpsk"},
              {"label": "FSK4", "modulation": "fsk", "order": 4, "samples_per_symbol": 8}]})";

DatasetRunResult datasetFilesMake(const DatasetRecipe& recipe, const TempDir& dir, Shard shard, DatasetFormat format) {
    DatasetRunOptions options{.shard = shard, .format = format, .threads = 2};
    return runDataset(recipe, dir.str(), options);
}

TEST(DatasetFiles, ShardsMergedAreTheWholeRunByteForByte) {
    const RecipeReading reading = readDatasetRecipe(kDatasetFilesRecipe);
    ASSERT_TRUE(reading) << reading.problem;
    const TempDir whole, sharded;
    ASSERT_EQ(datasetFilesMake(*reading.recipe, whole, {}, DatasetFormat::Hdf5).failure, "");
    // A second later, so that any time recorded in the file would differ.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    for (std::uint64_t k = 0; k < 4; ++k) {
        const auto result = datasetFilesMake(*reading.recipe, sharded, {k, 4}, DatasetFormat::Hdf5);
        ASSERT_EQ(result.failure, "");
        ASSERT_EQ(result.writtenFiles.size(), 1u);
    }
    const MergeResult merged = mergeDataset(sharded.str());
    ASSERT_EQ(merged.problem + merged.failure, "");
    const std::string bytes = readBytes(whole.file("dataset.h5"));
    EXPECT_GT(bytes.size(), 300u * 1024 * 8);
    EXPECT_TRUE(sameBytes(bytes, readBytes(sharded.file("dataset.h5"))));
}

TEST(DatasetFiles, SigmfShardRecordingsJoinToTheWholeRecording) {
    const RecipeReading reading = readDatasetRecipe(kDatasetFilesRecipe);
    ASSERT_TRUE(reading);
    const TempDir whole, sharded;
    ASSERT_EQ(datasetFilesMake(*reading.recipe, whole, {}, DatasetFormat::Sigmf).failure, "");
    std::string joined;
    for (std::uint64_t k = 0; k < 3; ++k) {
        ASSERT_EQ(datasetFilesMake(*reading.recipe, sharded, {k, 3}, DatasetFormat::Sigmf).failure, "");
        joined += readBytes(sharded.file("dataset.shard-" + std::to_string(k) + "-of-3.sigmf-data"));
    }
    EXPECT_TRUE(sameBytes(joined, readBytes(whole.file("dataset.sigmf-data"))));
    ASSERT_EQ(mergeDataset(sharded.str()).problem, "");
    // The whole recording's metadata is JSON with one annotation per capture, in capture order.
    const auto meta = nlohmann::json::parse(readBytes(whole.file("dataset.sigmf-meta")));
    ASSERT_EQ(meta["annotations"].size(), 300u);
    EXPECT_EQ(meta["annotations"][299]["core:sample_start"], 299 * 1024);
    EXPECT_EQ(meta["annotations"][199]["core:label"], "OQPSK");
    EXPECT_EQ(meta["annotations"][200]["core:label"], "FSK4");
    // The collection names every shard with the SHA-512 of its metadata, as sha512sum gives it.
    const auto collection = nlohmann::json::parse(readBytes(sharded.file("dataset.sigmf-collection")));
    const auto& streams = collection["collection"]["core:streams"];
    ASSERT_EQ(streams.size(), 3u);
    const std::string sum = sharded.file("sum.txt");
    ASSERT_EQ(std::system(("sha512sum " + sharded.file("dataset.shard-2-of-3.sigmf-meta") + " > " + sum).c_str()), 0);
    EXPECT_EQ(streams[2]["name"], "dataset.shard-2-of-3");
    EXPECT_EQ(streams[2]["hash"], readBytes(sum).substr(0, 128));
}

TEST(DatasetFiles, MergeRefusesAnIncompleteOrMixedSetOfShards) {
    const RecipeReading reading = readDatasetRecipe(kDatasetFilesRecipe);
    ASSERT_TRUE(reading);
    const TempDir dir;
    ASSERT_EQ(datasetFilesMake(*reading.recipe, dir, {0, 3}, DatasetFormat::Hdf5).failure, "");
    ASSERT_EQ(datasetFilesMake(*reading.recipe, dir, {2, 3}, DatasetFormat::Hdf5).failure, "");
    EXPECT_EQ(mergeDataset(dir.str()).problem, "shard 1 of 3 (dataset.shard-1-of-3.h5) is missing");
    ASSERT_EQ(datasetFilesMake(*reading.recipe, dir, {1, 2}, DatasetFormat::Hdf5).failure, "");
    EXPECT_NE(mergeDataset(dir.str()).problem.find("shards, not of"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("dataset.h5")));
}

}  // namespace
}  // namespace quorvel
