#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "cli/CommandLine.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

const std::string kCli = QUORVEL_CLI_PATH;

// Runs a shell line; its exit status as the shell reports it (128 + signal for a killed command).
int shell(const std::string& line) {
    const int status = std::system(("bash -c '" + line + "'").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The samples on standard output are the bytes of the sample file the same run writes, and the
// metadata the same text.
TEST(CommandLineStream, StandardOutputHoldsTheFileOfTheSameRun) {
    for (const std::string format : {"csv", "cf32"}) {
        TempDir dir;
        const std::string settings = " --symbols 7000 --modulation qam --order 64 --timing-error 0.3 --seed 5 --format " +
                                     format + " --save-path " + dir.str();
        ASSERT_EQ(shell(kCli + settings + " --quiet"), 0);
        ASSERT_EQ(shell(kCli + settings + " --stdout --metadata " + dir.file("piped.meta") + " > " + dir.file("piped") +
                        " 2> " + dir.file("err")),
                  0)
            << readBytes(dir.file("err"));
        const std::string file = dir.file(format == "csv" ? "modulated_signal_1.csv" : "modulated_signal_1.sigmf-data");
        EXPECT_TRUE(sameBytes(readBytes(dir.file("piped")), readBytes(file))) << format;
        EXPECT_TRUE(sameBytes(readBytes(dir.file("piped.meta")),
                              readBytes(dir.file("modulated_signal_1.sigmf-meta"))))
            << format;
        const std::string said = readBytes(dir.file("err"));
        EXPECT_TRUE(said.starts_with("Wrote 70000 samples")) << said.substr(0, 200);
    }
}

// A reader that goes away ends the run at once, by the signal and without a word, as for `yes`.
TEST(CommandLineStream, AClosedPipeEndsTheRunQuietly) {
    TempDir dir;
    const std::string line = kCli + " --stdout --format cf32 --symbols 1000000 --save-path " + dir.str() + " 2> " +
                             dir.file("err") + " | head -c 1000 > " + dir.file("head") + "; exit ${PIPESTATUS[0]}";
    EXPECT_EQ(shell(line), 128 + SIGPIPE);
    EXPECT_EQ(std::filesystem::file_size(dir.file("head")), 1000u);
    EXPECT_TRUE(sameBytes(readBytes(dir.file("err")), ""));
}

TEST(CommandLineStream, OneFileInOneFormatOnlyAndNothingOnStandardOutputWhenRefused) {
    TempDir dir;
    const std::string refusals[] = {"--format both", "--files 2", "--snr -5000", "--from x.sigmf-meta"};
    for (const auto& args : refusals) {
        const int code = shell(kCli + " --stdout " + args + " --save-path " + dir.str() + " > " + dir.file("out") +
                               " 2> " + dir.file("err"));
        EXPECT_NE(code, 0) << args;
        EXPECT_EQ(readBytes(dir.file("out")).size(), 0u) << args;
        EXPECT_NE(readBytes(dir.file("err")), "") << args;
    }
}

}  // namespace
}  // namespace quorvel
