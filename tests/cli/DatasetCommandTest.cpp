// quorvel-cli dataset: what each wrong use says and exits with, and that nothing is written then.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/CommandLine.h"
#include "support/ChildProcess.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::runCli;
using testing_support::TempDir;

TEST(DatasetCommand, WrongUsesAreRefusedBeforeAnythingIsWritten) {
    const TempDir dir;
    const std::string recipe = dir.file("r.json");
    std::ofstream(recipe) << R"({"seed": 3, "samples_per_capture": 16, "captures_per_class_and_snr": 1,
        "snr": {"values": [5]}, "classes": [{"label": "A", "modulation": "msk"}]})";
    const std::string out = dir.file("out");
    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"dataset", recipe, "--out", out, "--shard", "4/4"}, ExitInvalidInput, "--shard: I/N with 0 <= I < N"},
        {{"dataset", recipe, "--out", out, "--shard", "1/2"}, ExitInvalidInput, "--shard: 2 shards for 1 captures"},
        {{"dataset", recipe, "--out", out, "--format", "csv"}, ExitInvalidInput, "--format: hdf5 or sigmf"},
        {{"dataset", dir.file("none.json"), "--out", out}, ExitInvalidInput, dir.file("none.json") + ": "},
        {{"dataset", recipe}, ExitInvalidInput, "--out is required"},
        {{"dataset", "merge", dir.str()}, ExitInvalidInput, "cannot merge: no shard files"},
    };
    for (const auto& c : cases) {
        const auto run = runCli(c.args);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const auto made = runCli({"dataset", recipe, "--out", out});
    ASSERT_EQ(made.code, ExitSuccess) << made.err;
    EXPECT_EQ(made.out, "Wrote captures 0 to 0 of 1 (1 classes, 1 SNRs, 16 samples each):\n  " + out + "/dataset.h5\n");
}

// A disk that fills under HDF5 (here a file-size limit) ends the run with exit 3 and its reason,
// not with a crash in the library's shutdown, and leaves neither the file nor its partial.
TEST(DatasetCommand, AFullDiskExitsWithThreeAndLeavesNothing) {
    const TempDir dir;
    const std::string recipe = dir.file("r.json");
    std::ofstream(recipe) << R"({"seed": 1, "samples_per_capture": 4096, "captures_per_class_and_snr": 400,
        "snr": {"values": [0, 10]}, "classes": [{"label": "A", "modulation": "psk"}]})";
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    const TempDir scratch;
    const auto run = testing_support::runProgram(QUORVEL_CLI_PATH, {"dataset", recipe, "--out", out, "--quiet"},
                                                 {false, 200 * 1024, std::nullopt}, scratch.path());
    ASSERT_TRUE(run.error.empty()) << run.error;
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.code, ExitFileFailure);
    EXPECT_EQ(run.err.rfind("Could not write the dataset: ", 0), 0u) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

}  // namespace
}  // namespace quorvel
