// What a new user reads first: the version, and a help text whose examples run as written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "common/Version.h"
#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::runCli;
using testing_support::sameBytes;
using testing_support::TempDir;

TEST(CommandLineHelp, VersionAndHelpSpeakPlainly) {
    for (const char* flag : {"--version", "-V"}) {
        const auto run = runCli({flag});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, "quorvel-cli " + std::string(kProgramVersion) + "\n");
    }
    const auto help = runCli({"--help"});
    EXPECT_EQ(help.code, 0);
    // Every value is named for what it holds, and no rule is repeated on every option.
    EXPECT_EQ(help.out.find(" TEXT"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("Excludes"), std::string::npos) << help.out;
    for (const char* shown : {"--symbol-rate HZ", "--symbols N", "--snr DB", "--order M", "--save-path FOLDER",
                              "--from FILE", "Signal:", "Impairments:", "Output:", "Regeneration:"}) {
        EXPECT_NE(help.out.find(shown), std::string::npos) << shown;
    }
}

// Each example line of the help runs in a fresh folder with this build's quorvel-cli first on
// the PATH, in order, as a user would paste them.
TEST(CommandLineHelp, EveryExampleRunsAsWritten) {
    const auto help = runCli({"--help"});
    const auto examples = help.out.find("Examples:\n");
    ASSERT_NE(examples, std::string::npos);
    std::istringstream lines(help.out.substr(examples));
    const TempDir dir;
    const std::string bin = std::filesystem::path(QUORVEL_CLI_PATH).parent_path().string();
    std::string line;
    int commands = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("  quorvel-cli", 0) != 0 && line.rfind("  mkdir", 0) != 0) {
            continue;
        }
        ++commands;
        const std::string shell = "cd '" + dir.str() + "' && PATH='" + bin + "':\"$PATH\" && " + line.substr(2) +
                                  " >/dev/null";
        EXPECT_EQ(std::system(shell.c_str()), 0) << line;
    }
    EXPECT_EQ(commands, 3);
    // The regenerated file is the recorded one.
    EXPECT_TRUE(sameBytes(readBytes(dir.file("again/modulated_signal_3.sigmf-data")),
                          readBytes(dir.file("captures/modulated_signal_3.sigmf-data"))));
}

}  // namespace
}  // namespace quorvel
