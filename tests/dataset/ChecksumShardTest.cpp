// Datasets whose recipe asks for checksums: a byte changed in a shard's HDF5 chunk, or samples
// that are not the ones a SigMF recording names, are refused by the merge, and a second run of a
// shard into the same folder is refused while the first holds it.

#include <gtest/gtest.h>

#include <hdf5.h>
#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/DatasetRun.h"
#include "export/OutputFolder.h"
#include "support/FileEdits.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing_support::digestHex;
using testing_support::readBytes;
using testing_support::replaceText;
using testing_support::sameBytes;
using testing_support::TempDir;

// 2 classes x 1 SNR x 3 captures of 32 samples, in two shards, with and without sums.
std::string checksumShardRecipeText(bool checksums, int seed = 5) {
    return R"({"seed": )" + std::to_string(seed) + R"(, "samples_per_capture": 32, "captures_per_class_and_snr": 3,
      "snr": {"values": [10]}, "samples_per_symbol": 4, "pa_saturation": {"min": 1, "max": 2},)" +
           (checksums ? R"( "checksums": true,)" : "") +
           R"( "classes": [{"label": "A", "modulation": "psk"}, {"label": "B", "modulation": "qam", "order": 16}]})";
}

DatasetRecipe checksumShardRecipe(bool checksums, int seed = 5) {
    RecipeReading reading = readDatasetRecipe(checksumShardRecipeText(checksums, seed));
    EXPECT_TRUE(reading) << reading.problem;
    return *reading.recipe;
}

void checksumShardMakeShards(const std::string& folder, DatasetFormat format, bool checksums, int seed = 5) {
    for (std::uint64_t k = 0; k < 2; ++k) {
        const DatasetRunResult made =
            runDataset(checksumShardRecipe(checksums, seed), folder, {.shard = {k, 2}, .format = format, .threads = 1});
        ASSERT_TRUE(made.failure.empty()) << made.failure;
    }
}

// Flips one bit of the first chunk of a dataset, at the chunk's offset as the library reports it.
void flipChunkByte(const std::string& path, const char* dataset, std::uint64_t into) {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const hid_t d = H5Dopen2(file, dataset, H5P_DEFAULT);
    haddr_t address = HADDR_UNDEF;
    hsize_t size = 0;
    const hid_t space = H5Dget_space(d);
    ASSERT_GE(H5Dget_chunk_info(d, space, 0, nullptr, nullptr, &address, &size), 0);
    H5Sclose(space);
    H5Dclose(d);
    H5Fclose(file);
    ASSERT_LT(into, size);
    std::fstream bytes(path, std::ios::binary | std::ios::in | std::ios::out);
    bytes.seekg(static_cast<std::streamoff>(address + into));
    const char was = static_cast<char>(bytes.get());
    bytes.seekp(static_cast<std::streamoff>(address + into));
    bytes.put(static_cast<char>(was ^ 0x10));
}

// Replaces X by a copy of its values without the sums, as a file stripped of them would hold.
void stripXSums(const std::string& path) {
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    std::vector<float> values(3 * 32 * 2);
    hid_t x = H5Dopen2(file, "X", H5P_DEFAULT);
    ASSERT_GE(H5Dread(x, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0);
    H5Dclose(x);
    H5Ldelete(file, "X", H5P_DEFAULT);
    const hsize_t dims[3] = {3, 32, 2};
    const hid_t space = H5Screate_simple(3, dims, nullptr);
    x = H5Dcreate2(file, "X", H5T_IEEE_F32LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    EXPECT_GE(H5Dwrite(x, H5T_NATIVE_FLOAT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0);
    H5Dclose(x);
    H5Sclose(space);
    H5Fclose(file);
}

struct SpoiledShard {
    const char* name;
    DatasetFormat format;
    std::function<void(const TempDir&)> spoil;
    std::string message;  // the problem starts with the spoiled file's path, then this
};

TEST(ChecksumShard, AChangedOrHalfRenamedShardIsRefused) {
    const std::string one = "dataset.shard-1-of-2";
    const SpoiledShard cases[] = {
        {"BitOfX", DatasetFormat::Hdf5, [&](const TempDir& d) { flipChunkByte(d.file(one + ".h5"), "X", 100); },
         ".h5: rows 0 to 2 of X fail their Fletcher-32 checksum"},
        {"BitOfY", DatasetFormat::Hdf5, [&](const TempDir& d) { flipChunkByte(d.file(one + ".h5"), "Y", 3); },
         ".h5: rows 0 to 2 of Y fail their Fletcher-32 checksum"},
        {"BitOfASetting", DatasetFormat::Hdf5,
         [&](const TempDir& d) { flipChunkByte(d.file(one + ".h5"), "settings/pa_saturation", 7); },
         ".h5: rows 0 to 2 of settings fail their Fletcher-32 checksum"},
        {"XStrippedOfItsSums", DatasetFormat::Hdf5, [&](const TempDir& d) { stripXSums(d.file(one + ".h5")); },
         ".h5: its recipe asks for checksums but its data carry none"},
        {"SamplesOfAnotherRun", DatasetFormat::Sigmf,
         [&](const TempDir& d) {
             // A run killed after renaming its samples and before its metadata: same size, other bytes.
             const TempDir other;
             checksumShardMakeShards(other.str(), DatasetFormat::Sigmf, true, 6);
             fs::copy_file(other.file(one + ".sigmf-data"), d.file(one + ".sigmf-data"),
                           fs::copy_options::overwrite_existing);
         },
         ".sigmf-data is not the file its metadata names"},
        {"SumRemoved", DatasetFormat::Sigmf,
         [&](const TempDir& d) { replaceText(d.file(one + ".sigmf-meta"), "\"core:sha512\"", "\"core:sha384\""); },
         ".sigmf-data: its metadata names no SHA-512 of its samples"},
    };
    for (const SpoiledShard& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        checksumShardMakeShards(dir.str(), c.format, true);
        c.spoil(dir);
        const MergeResult merged = mergeDataset(dir.str());
        const std::string said = merged.problem + merged.failure;
        EXPECT_EQ(said.rfind(dir.file(one) + c.message, 0), 0u) << said;
        EXPECT_EQ(said.find('\n'), std::string::npos) << said;
        EXPECT_FALSE(fs::exists(dir.file("dataset.h5")));
        EXPECT_FALSE(fs::exists(dir.file("dataset.sigmf-collection")));
    }
}

TEST(ChecksumShard, SummedShardsMergeIntoTheUnshardedFileAndNameTheirSamples) {
    for (const DatasetFormat format : {DatasetFormat::Hdf5, DatasetFormat::Sigmf}) {
        const TempDir sharded, whole;
        checksumShardMakeShards(sharded.str(), format, true);
        const MergeResult merged = mergeDataset(sharded.str());
        ASSERT_TRUE(merged.problem.empty() && merged.failure.empty()) << merged.problem << merged.failure;
        ASSERT_TRUE(runDataset(checksumShardRecipe(true), whole.str(), {.format = format, .threads = 1}).failure.empty());
        if (format == DatasetFormat::Hdf5) {
            EXPECT_TRUE(sameBytes(readBytes(sharded.file("dataset.h5")), readBytes(whole.file("dataset.h5"))));
            // Every chunked dataset carries the sum, as HDF5 itself reports it.
            const hid_t file = H5Fopen(whole.file("dataset.h5").c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
            for (const char* name : {"X", "Y", "Z", "settings/pa_saturation"}) {
                const hid_t d = H5Dopen2(file, name, H5P_DEFAULT);
                const hid_t list = H5Dget_create_plist(d);
                ASSERT_EQ(H5Pget_nfilters(list), 1) << name;
                EXPECT_EQ(H5Pget_filter2(list, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr), H5Z_FILTER_FLETCHER32);
                H5Pclose(list);
                H5Dclose(d);
            }
            H5Fclose(file);
        } else {
            for (const std::string stem : {"dataset.shard-0-of-2", "dataset.shard-1-of-2", "dataset"}) {
                const std::string folder = stem == "dataset" ? whole.str() : sharded.str();
                const std::string meta = readBytes(folder + "/" + stem + ".sigmf-meta");
                const std::string named = "\"core:sha512\":\"" + digestHex(readBytes(folder + "/" + stem + ".sigmf-data"), EVP_sha512()) + "\"";
                EXPECT_NE(meta.substr(0, meta.find('\n')).find(named), std::string::npos) << stem;
            }
        }
    }
}

TEST(ChecksumShard, ASecondRunOfOneShardIsRefusedWhileTheFirstHoldsIt) {
    const TempDir dir;
    {
        const NameLock first(dir.str(), "dataset.shard-0-of-2.h5");
        ASSERT_FALSE(first.busy());
        EXPECT_EQ(runDataset(checksumShardRecipe(false), dir.str(), {.shard = {0, 2}, .threads = 1}).failure,
                  "another run is writing shard 0 of 2 into " + dir.str());
        EXPECT_FALSE(fs::exists(dir.file("dataset.shard-0-of-2.h5")));
        // Other shards, and the same shard in the other format, are other files.
        EXPECT_TRUE(runDataset(checksumShardRecipe(false), dir.str(), {.shard = {1, 2}, .threads = 1}).failure.empty());
        EXPECT_TRUE(
            runDataset(checksumShardRecipe(false), dir.str(), {.shard = {0, 2}, .format = DatasetFormat::Sigmf, .threads = 1})
                .failure.empty());
    }
    // A lock a killed run left behind holds nothing; a finished run leaves none.
    std::ofstream(dir.file(".dataset.shard-0-of-2.h5.quorvel-partial-lock")) << "";
    EXPECT_TRUE(runDataset(checksumShardRecipe(false), dir.str(), {.shard = {0, 2}, .threads = 1}).failure.empty());
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

}  // namespace
}  // namespace quorvel
