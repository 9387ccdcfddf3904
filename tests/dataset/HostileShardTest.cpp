// Shards that are not what their names say: missing, cut, crafted or busy. The merge refuses each
// in a line naming the file, writes nothing under a final name, and never reads past a buffer.

#include <gtest/gtest.h>

#include <hdf5.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/DatasetRun.h"
#include "export/OutputFolder.h"
#include "support/FileEdits.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::replaceText;
using testing_support::TempDir;

// 2 classes x 1 SNR x 3 captures of 32 samples, in two shards.
const char* const kHostileShardRecipe = R"({"seed": 5, "samples_per_capture": 32, "captures_per_class_and_snr": 3,
  "snr": {"values": [10]}, "samples_per_symbol": 4,
  "classes": [{"label": "A", "modulation": "psk"}, {"label": "B", "modulation": "qam", "order": 16}]})";

DatasetRecipe hostileShardRecipe() {
    RecipeReading reading = readDatasetRecipe(kHostileShardRecipe);
    EXPECT_TRUE(reading) << reading.problem;
    return *reading.recipe;
}

void hostileShardMakeShards(const TempDir& dir, DatasetFormat format) {
    for (std::uint64_t k = 0; k < 2; ++k) {
        const DatasetRunResult made = runDataset(hostileShardRecipe(), dir.str(), {.shard = {k, 2}, .format = format, .threads = 1});
        ASSERT_TRUE(made.failure.empty()) << made.failure;
    }
}

// Writes rows of int64 labels over Y's first row, as a crafted file could hold.
void writeFirstLabelRow(const std::string& path, std::vector<std::int64_t> row) {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const hid_t y = H5Dopen2(file, "Y", H5P_DEFAULT);
    const hid_t space = H5Dget_space(y);
    const hsize_t start[2] = {0, 0}, count[2] = {1, row.size()};
    H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, count, nullptr);
    const hid_t memory = H5Screate_simple(2, count, nullptr);
    EXPECT_GE(H5Dwrite(y, H5T_NATIVE_INT64, memory, space, H5P_DEFAULT, row.data()), 0);
    H5Sclose(memory);
    H5Sclose(space);
    H5Dclose(y);
    H5Fclose(file);
}

// Replaces X by one a sample wider than the recipe's captures.
void widenX(const std::string& path) {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    H5Ldelete(file, "X", H5P_DEFAULT);
    const hsize_t dims[3] = {3, 33, 2};
    const hid_t space = H5Screate_simple(3, dims, nullptr);
    const hid_t x = H5Dcreate2(file, "X", H5T_IEEE_F32LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    std::vector<float> values(3 * 33 * 2, 1.0f);
    EXPECT_GE(H5Dwrite(x, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0);
    H5Dclose(x);
    H5Sclose(space);
    H5Fclose(file);
}

struct ShardFault {
    const char* name;
    DatasetFormat format;
    std::function<void(const TempDir&)> spoil;
    std::string message;  // found in the problem, after the spoiled file's name
};

TEST(HostileShard, EverySpoiledShardIsRefusedAndNothingIsMerged) {
    const std::string one = "dataset.shard-1-of-2";
    const ShardFault faults[] = {
        {"DataMissing", DatasetFormat::Sigmf, [&](const TempDir& d) { fs::remove(d.file(one + ".sigmf-data")); },
         one + ".sigmf-data is missing or not a regular file"},
        {"DataCut", DatasetFormat::Sigmf,
         [&](const TempDir& d) { fs::resize_file(d.file(one + ".sigmf-data"), 3 * 32 * 8 - 1); },
         one + ".sigmf-data does not hold 768 bytes"},
        {"DataOfShardZero", DatasetFormat::Sigmf,
         [&](const TempDir& d) {
             fs::copy_file(d.file("dataset.shard-0-of-2.sigmf-data"), d.file(one + ".sigmf-data"),
                           fs::copy_options::overwrite_existing);
             fs::resize_file(d.file(one + ".sigmf-data"), 3 * 32 * 8 + 8);
         },
         one + ".sigmf-data does not hold 768 bytes"},
        {"MetaCutInHalf", DatasetFormat::Sigmf,
         [&](const TempDir& d) {
             const std::string meta = d.file(one + ".sigmf-meta");
             fs::resize_file(meta, fs::file_size(meta) - 40);
         },
         one + ".sigmf-meta is cut short"},
        {"IndexAsText", DatasetFormat::Sigmf,
         [&](const TempDir& d) { replaceText(d.file(one + ".sigmf-meta"), "\"quorvel:shard_index\":1", "\"quorvel:shard_index\":\"1\""); },
         one + ".sigmf-meta: \"quorvel:shard_index\" is not an unsigned integer (it is \"1\")"},
        {"CountOverflowing", DatasetFormat::Sigmf,
         [&](const TempDir& d) {
             replaceText(d.file(one + ".sigmf-meta"), "\"quorvel:capture_count\":3", "\"quorvel:capture_count\":1e400");
         },
         one + ".sigmf-meta is not a recording"},
        {"MetaFifo", DatasetFormat::Sigmf,
         [&](const TempDir& d) {
             fs::remove(d.file(one + ".sigmf-meta"));
             ASSERT_EQ(::mkfifo(d.file(one + ".sigmf-meta").c_str(), 0600), 0);
         },
         one + ".sigmf-meta is not a regular file"},
        {"Hdf5Fifo", DatasetFormat::Hdf5,
         [&](const TempDir& d) {
             fs::remove(d.file(one + ".h5"));
             ASSERT_EQ(::mkfifo(d.file(one + ".h5").c_str(), 0600), 0);
         },
         one + ".h5 is not a regular file"},
        {"Hdf5WiderX", DatasetFormat::Hdf5, [&](const TempDir& d) { widenX(d.file(one + ".h5")); },
         one + ".h5: X has another shape than its recipe gives"},
        {"Hdf5LabelOfNoClass", DatasetFormat::Hdf5, [&](const TempDir& d) { writeFirstLabelRow(d.file(one + ".h5"), {0, 0}); },
         one + ".h5: capture 3 is labelled as no class or as several"},
        {"Hdf5LabelOfTwoClasses", DatasetFormat::Hdf5,
         [&](const TempDir& d) { writeFirstLabelRow(d.file(one + ".h5"), {1, 1}); },
         one + ".h5: capture 3 is labelled as no class or as several"},
        {"Hdf5LabelOfSeven", DatasetFormat::Hdf5, [&](const TempDir& d) { writeFirstLabelRow(d.file(one + ".h5"), {7, 1}); },
         one + ".h5: capture 3 is labelled as no class or as several"},
    };
    for (const ShardFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const TempDir dir;
        hostileShardMakeShards(dir, fault.format);
        // Unspoiled, the shards merge.
        {
            const TempDir copy;
            fs::copy(dir.path(), copy.path(), fs::copy_options::recursive);
            const MergeResult merged = mergeDataset(copy.str());
            ASSERT_TRUE(merged.problem.empty() && merged.failure.empty()) << merged.problem << merged.failure;
        }
        fault.spoil(dir);
        const MergeResult merged = mergeDataset(dir.str());
        const std::string said = merged.problem + merged.failure;
        EXPECT_NE(said.find(fault.message), std::string::npos) << said;
        EXPECT_LT(said.size(), 600u);
        EXPECT_FALSE(fs::exists(dir.file("dataset.h5")));
        EXPECT_FALSE(fs::exists(dir.file("dataset.sigmf-collection")));
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
        }
    }
}

TEST(HostileShard, ABusyFolderIsRefusedAndAKilledRunsLeftoversGo) {
    const TempDir dir;
    const std::string leftover = dir.file(".dataset.h5.quorvel-partial-0badf00d");
    std::ofstream(leftover) << "half a file";
    {
        const FolderLock other(dir.str());
        const DatasetRunResult made = runDataset(hostileShardRecipe(), dir.str(), {.threads = 1});
        EXPECT_EQ(made.failure, "another run is writing into " + dir.str());
        const MergeResult merged = mergeDataset(dir.str());
        EXPECT_EQ(merged.failure, "another run is writing into " + dir.str());
        EXPECT_TRUE(fs::exists(leftover));
        EXPECT_FALSE(fs::exists(dir.file("dataset.h5")));
    }
    const DatasetRunResult made = runDataset(hostileShardRecipe(), dir.str(), {.threads = 1});
    EXPECT_TRUE(made.failure.empty()) << made.failure;
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(dir.file("dataset.h5")));
}

// Shards share the folder with each other, never with a whole run or a merge.
TEST(HostileShard, ShardsShareTheFolderAndAWholeRunWaitsForNone) {
    const TempDir dir;
    {
        const FolderLock otherShard(dir.str(), FolderLock::Mode::Shared);
        EXPECT_TRUE(runDataset(hostileShardRecipe(), dir.str(), {.shard = {0, 2}, .threads = 1}).failure.empty());
        EXPECT_EQ(runDataset(hostileShardRecipe(), dir.str(), {.threads = 1}).failure, "another run is writing into " + dir.str());
        EXPECT_EQ(mergeDataset(dir.str()).failure, "another run is writing into " + dir.str());
    }
    EXPECT_TRUE(runDataset(hostileShardRecipe(), dir.str(), {.shard = {1, 2}, .threads = 1}).failure.empty());
    const MergeResult merged = mergeDataset(dir.str());
    EXPECT_TRUE(merged.problem.empty() && merged.failure.empty()) << merged.problem << merged.failure;
}

TEST(HostileShard, ADatasetLargerThanTheDiskIsRefusedBeforeItStarts) {
    const TempDir dir;
    RecipeReading reading = readDatasetRecipe(R"({"seed": 5, "samples_per_capture": 16777216,
        "captures_per_class_and_snr": 1000000000, "snr": {"values": [10]},
        "classes": [{"label": "A", "modulation": "psk"}]})");
    ASSERT_TRUE(reading) << reading.problem;
    const DatasetRunResult made = runDataset(*reading.recipe, dir.str(), {.threads = 1});
    EXPECT_EQ(made.failure.rfind("the captures need at least 134217728000 MB but only ", 0), 0u) << made.failure;
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace quorvel
