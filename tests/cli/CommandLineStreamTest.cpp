#include <gtest/gtest.h>

#include <csignal>
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

const std::string kCommandLineStreamCli = QUORVEL_CLI_PATH;

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
        ASSERT_EQ(shell(kCommandLineStreamCli + settings + " --quiet"), 0);
        ASSERT_EQ(shell(kCommandLineStreamCli + settings + " --stdout --metadata " + dir.file("piped.meta") + " > " + dir.file("piped") +
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
    const std::string line = kCommandLineStreamCli + " --stdout --format cf32 --symbols 1000000 --save-path " + dir.str() + " 2> " +
                             dir.file("err") + " | head -c 1000 > " + dir.file("head") + "; exit ${PIPESTATUS[0]}";
    EXPECT_EQ(shell(line), 128 + SIGPIPE);
    EXPECT_EQ(std::filesystem::file_size(dir.file("head")), 1000u);
    EXPECT_TRUE(sameBytes(readBytes(dir.file("err")), ""));
}

TEST(CommandLineStream, OneFileInOneFormatOnlyAndNothingOnStandardOutputWhenRefused) {
    TempDir dir;
    const std::string refusals[] = {"--format both", "--files 2", "--snr -5000", "--from x.sigmf-meta"};
    for (const auto& args : refusals) {
        const int code = shell(kCommandLineStreamCli + " --stdout " + args + " --save-path " + dir.str() + " > " + dir.file("out") +
                               " 2> " + dir.file("err"));
        EXPECT_NE(code, 0) << args;
        EXPECT_EQ(std::filesystem::file_size(dir.file("out")), 0u) << args;
        EXPECT_NE(readBytes(dir.file("err")), "") << args;
    }
}

// The first samples of an endless stream are those of a file of the same settings, cut where the
// file ends; only the samples that a resampler or a pulse-shaping filter makes from the symbols
// after the file's last may differ, its last `tail` samples.
TEST(CommandLineStream, AnEndlessStreamBeginsWithTheFileOfItsSettings) {
    struct Row {
        std::string settings;
        std::string fileName;
        std::size_t bytesPerSample;
        std::size_t tail;  // samples at the file's end that may differ
    };
    // The default rates give 10 samples per symbol: the straight lines between points take their
    // file's last symbol's samples towards a next point the file does not have, GMSK's filter its
    // last symbol's, an rrc pulse of span 8 its last 4 symbols', the clock offset's interpolator
    // and the multipath taps a few more.
    const Row rows[] = {
        {"--snr 10 --snr-ref nominal --format cf32", "modulated_signal_1.sigmf-data", 8, 10},
        {"--modulation qam --order 64 --snr inf --format ci16 --scale 2",
         "modulated_signal_1.sigmf-data", 4, 10},
        {"--modulation gmsk --source prn15 --snr inf --mixing 700 --format cu8", "modulated_signal_1.sigmf-data", 2, 10},
        {"--modulation qam --order 16 --snr 10 --snr-ref nominal --multipath \"0:0:0 3.5:-6:90\" --clock-offset 50 "
         "--fading rician:4 --doppler 20 --format cf32",
         "modulated_signal_1.sigmf-data", 8, 64},
        {"--modulation psk --order 8 --snr 20 --snr-ref nominal --pa rapp:2,0.8 --phase-noise -80@1000 --format cf32",
         "modulated_signal_1.sigmf-data", 8, 10},
        {"--snr inf --pulse rrc --span 8 --format cf32", "modulated_signal_1.sigmf-data", 8, 40},
        {"--modulation fsk --order 4 --snr 15 --snr-ref nominal --format csv", "modulated_signal_1.csv", 0, 0},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string common = " --seed 9 " + row.settings;
        ASSERT_EQ(shell(kCommandLineStreamCli + common + " --symbols 30000 --quiet --save-path " + dir.str()), 0) << row.settings;
        const std::string file = readBytes(dir.file(row.fileName));
        // CSV lines have no fixed width: the stream is cut at the file's length in bytes.
        const std::size_t compared = file.size() - row.tail * row.bytesPerSample;
        ASSERT_EQ(shell(kCommandLineStreamCli + common + " --stdout --endless 2> " + dir.file("err") + " | head -c " +
                        std::to_string(compared) + " > " + dir.file("head")),
                  0)
            << row.settings;
        EXPECT_TRUE(sameBytes(readBytes(dir.file("head")), file.substr(0, compared))) << row.settings;
        EXPECT_TRUE(sameBytes(readBytes(dir.file("err")), "")) << row.settings;
    }
}

// What an endless stream cannot be: a file, noise against a power not yet measured, a drift to a
// value at an end it never reaches; and a ZeroMQ or paced stream only of what they can carry.
TEST(CommandLineStream, StreamsRefuseWhatNeedsAnEndOrAnotherDestination) {
    struct Row {
        std::string args;
        std::string said;  // the start of the one line on standard error
    };
    const Row rows[] = {
        {"--endless", "--endless: only with --stdout or --zmq"},
        {"--endless --stdout --snr 10", "--endless: noise against the measured power"},
        {"--endless --stdout --snr inf --timing-error 0.2", "--endless: --timing-error"},
        {"--endless --stdout --symbols 10", "--endless: not with --symbols"},
        {"--endless --stdout --metadata m.sigmf-meta", "--metadata: not with --endless"},
        {"--zmq tcp://127.0.0.1:1 --stdout", "--zmq: not with --stdout"},
        {"--zmq tcp://127.0.0.1:1 --format csv", "--zmq: a binary format"},
        {"--zmq tcp://127.0.0.1:1 --format cf32 --files 2", "--zmq: one file only"},
        {"--zmq nowhere://x --format cf32", "--zmq: cannot bind nowhere://x"},
        {"--rate-limit", "--rate-limit: only with --stdout or --zmq"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        EXPECT_EQ(shell("cd " + dir.str() + " && " + kCommandLineStreamCli + " " + row.args + " > out 2> err"), 2) << row.args;
        const std::string said = readBytes(dir.file("err"));
        EXPECT_TRUE(said.starts_with(row.said)) << row.args << ": " << said.substr(0, 200);
        EXPECT_EQ(said.find('\n'), said.size() - 1) << row.args;
        EXPECT_EQ(std::filesystem::file_size(dir.file("out")), 0u) << row.args;
        EXPECT_FALSE(std::filesystem::exists(dir.file("m.sigmf-meta"))) << row.args;
    }
}

// SIGTERM ends an endless stream as it ends a file run, and the samples it clipped are still told.
TEST(CommandLineStream, AnEndlessStreamStopsOnSigtermAndTellsItsClipping) {
    TempDir dir;
    // Signalled once its first samples are out, so its handlers are surely in place.
    const std::string line = kCommandLineStreamCli + " --stdout --endless --snr inf --format ci16 --scale 0.5 > " + dir.file("out") +
                             " 2> " + dir.file("err") + " & pid=$!; for i in $(seq 600); do [ -s " + dir.file("out") +
                             " ] && break; sleep 0.05; done; kill -TERM $pid; wait $pid";
    EXPECT_EQ(shell(line), 128 + SIGTERM);
    const std::string said = readBytes(dir.file("err"));
    EXPECT_TRUE(said.starts_with("Warning: ")) << said.substr(0, 200);
    EXPECT_NE(said.find(" samples clipped at full scale"), std::string::npos) << said.substr(0, 200);
}

}  // namespace
}  // namespace quorvel
