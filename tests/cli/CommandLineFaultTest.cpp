// The command-line binary when some files cannot be written: exit code 3, one stderr line per
// failed file with its reason, only the good files listed as written, and those complete.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "support/ChildProcess.h"
#include "support/FileFaultCases.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using namespace testing_support;

constexpr std::int32_t kCommandLineFaultSymbols = 3000;

std::vector<std::string> cliArgs(const std::string& savePath, std::int32_t fileCount) {
    return {"--save-path", savePath, "--files", std::to_string(fileCount), "--symbols", std::to_string(kCommandLineFaultSymbols),
            "--seed", "4242", "--mixing", "125"};
}

std::vector<std::string> commandLineFaultLinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CommandLineFileFaults : public testing::TestWithParam<FileFaultCase> {};

TEST_P(CommandLineFileFaults, ExitWithThreeAndNameEveryFailedFile) {
    const FileFaultCase& c = GetParam();
    TempDir clean;
    TempDir scratch;
    const auto reference = runProgram(QUORVEL_CLI_PATH, cliArgs(clean.str(), c.fileCount), {}, scratch.path());
    ASSERT_EQ(reference.code, ExitSuccess) << reference.err;

    TempDir dir;
    const std::string savePath = c.prepare(dir);
    const auto run = runProgram(QUORVEL_CLI_PATH, cliArgs(savePath, c.fileCount),
                                {c.needsUnprivilegedUser, c.fileSizeLimitBytes, std::nullopt}, scratch.path(),
                                c.needsUnprivilegedUser ? std::optional(lockedFolder(dir)) : std::nullopt);
    if (!run.error.empty()) {
        GTEST_SKIP() << "this machine cannot stage the fault: " << run.error;
    }
    EXPECT_EQ(run.code, ExitFileFailure) << run.err;

    std::vector<std::string> expectedErr;
    std::vector<std::string> expectedWritten;
    for (std::int32_t k = 1; k <= c.fileCount; ++k) {
        const auto failure = std::find_if(c.failures.begin(), c.failures.end(),
                                          [k](const ExpectedFailure& f) { return f.fileNumber == k; });
        if (failure != c.failures.end()) {
            expectedErr.push_back("Could not write " + samplePath(savePath, k) + ": " + failure->reason);
        } else if (c.attempted(k)) {
            expectedWritten.push_back(samplePath(savePath, k));
        }
    }
    if (c.lastAttempted != 0) {
        expectedErr.push_back("Stopped: no later file can be written there.");
    }
    EXPECT_EQ(commandLineFaultLinesOf(run.err), expectedErr);

    const auto out = commandLineFaultLinesOf(run.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].rfind("Wrote " + std::to_string(expectedWritten.size()) + " of " +
                               std::to_string(c.fileCount) + " files of 30000 samples",
                           0),
              0u)
        << out[0];
    const std::vector<std::string> listed(out.begin() + 1, out.end());
    std::vector<std::string> expectedListing;
    for (const auto& path : expectedWritten) {
        expectedListing.push_back("  " + path);
    }
    EXPECT_EQ(listed, expectedListing);

    for (const auto& path : expectedWritten) {
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_TRUE(sameBytes(readBytes(path), readBytes(clean.file(name))))
            << path << " differs from the undisturbed run's";
    }
}

// The rows above that need user "nobody" run the program even when the build lies under a folder
// that user cannot enter (a checkout in a home folder of mode 0700).
TEST(UnprivilegedChild, RunsAProgramFromAFolderItsUserCannotEnter) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root hands the program to another user";
    }
    const TempDir hidden;
    const TempDir scratch;
    std::filesystem::permissions(hidden.path(), std::filesystem::perms::owner_all);
    const std::string program = hidden.file("quorvel-cli");
    std::filesystem::copy_file(QUORVEL_CLI_PATH, program);
    const auto run = runProgram(program, {"--version"}, {true, std::nullopt, std::nullopt}, scratch.path());
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("quorvel-cli ", 0), 0u) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLineFileFaults, testing::ValuesIn(fileFaultCases()),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace quorvel
