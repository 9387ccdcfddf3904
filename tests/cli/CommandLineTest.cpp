#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;

using Run = testing_support::CliRun;
using testing_support::runCli;
using testing_support::sameBytes;

struct CliCase {
    const char* name;
    std::vector<std::string> args;
    int expectedCode;
    std::string errMentions;

    friend void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }
};

class CommandLineErrors : public testing::TestWithParam<CliCase> {};

TEST_P(CommandLineErrors, EndWithTheirCodeAndMessage) {
    TempDir dir;
    auto args = GetParam().args;
    args.insert(args.end(), {"--save-path", dir.str(), "--symbols", "20"});
    const auto run = runCli(args);
    EXPECT_EQ(run.code, GetParam().expectedCode) << run.err;
    EXPECT_NE(run.err.find(GetParam().errMentions), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineErrors,
    testing::Values(
        CliCase{"EmptySnr", {"--snr", ""}, ExitInvalidInput, "Invalid SNR.\n"},
        CliCase{"TrailingBlank", {"--symbol-rate", "1000 "}, ExitInvalidInput, "Invalid Symbol Rate.\n"},
        CliCase{"SymbolRateBeforeSamplingRate", {"--sampling-rate", "x", "--symbol-rate", "y"}, ExitInvalidInput,
                "Invalid Symbol Rate.\n"},
        CliCase{"RangeError", {"--sampling-rate", "1e999"}, ExitInvalidInput, "Invalid Sampling Rate.\n"},
        CliCase{"NanMixing", {"--mixing", "nan"}, ExitInvalidInput, "Invalid Mixing Freq.\n"},
        CliCase{"ExponentCount", {"--files", "1e1"}, ExitInvalidInput, "Invalid File Count.\n"},
        CliCase{"UnknownScheme", {"--modulation", "wavelet"}, ExitInvalidInput, "--modulation"},
        CliCase{"SchemeNumberTwentyThree", {"--modulation", "23"}, ExitInvalidInput, "--modulation"},
        CliCase{"UnknownSource", {"--source", "prn9"}, ExitInvalidInput, "--source"},
        CliCase{"OrderNotOffered", {"--order", "3"}, ExitInvalidInput, "--order: psk offers the orders 2, 4, 8, 16"},
        CliCase{"QamOrder96", {"--modulation", "qam", "--order", "96"}, ExitInvalidInput, "--order"},
        CliCase{"AskOrder2", {"--modulation", "ask", "--order", "2"}, ExitInvalidInput, "--order: ask offers the orders 4"},
        CliCase{"ToneForPsk", {"--tone", "100"}, ExitInvalidInput, "--tone: the scheme psk has no such parameter"},
        CliCase{"ToneNotNumber", {"--modulation", "tone", "--tone", "x"}, ExitInvalidInput, "Invalid Tone Frequency.\n"},
        CliCase{"OrderForMsk", {"--modulation", "msk", "--order", "2"}, ExitInvalidInput, "no order"},
        CliCase{"RadiiForPsk", {"--apsk-radii", "1 2"}, ExitInvalidInput, "--apsk-radii"},
        CliCase{"UnknownOption", {"--colour", "red"}, ExitInvalidInput, "--colour"},
        CliCase{"SeedNotNumber", {"--seed", "abc"}, ExitInvalidInput, "--seed"},
        CliCase{"UnknownFormat", {"--format", "wav"}, ExitInvalidInput, "--format: unknown format \"wav\""},
        CliCase{"FormatInCapitals", {"--format", "CSV"}, ExitInvalidInput, "--format"},
        CliCase{"FromWithASetting", {"--from", "x.sigmf-meta", "--snr", "3"}, ExitInvalidInput, "--from"},
        CliCase{"TimingOutOfRange", {"--timing-error", "1.5"}, ExitRefused,
                "Signal generation failed.\nThe timing error must lie between -1 and 1"},
        CliCase{"FskTooFast", {"--modulation", "fsk", "--order", "8", "--symbol-rate", "1250.5"}, ExitRefused,
                "Signal generation failed.\nFSK"},
        CliCase{"ToneAboveNyquist", {"--modulation", "tone", "--tone", "5001"}, ExitRefused, "A tone of 5001 Hz"},
        CliCase{"ToneWithBits", {"--modulation", "tone", "--source", "prbs9"}, ExitRefused, "no bits"},
        CliCase{"ApskRadiiCount", {"--modulation", "apsk", "--apsk-radii", "0.3 0.7 1.2"}, ExitRefused,
                "Signal generation failed.\nAPSK order 16 has 2 rings"},
        CliCase{"OfdmOnOqpsk", {"--modulation", "ofdm", "--subcarriers", "oqpsk:4"}, ExitInvalidInput,
                "Invalid OFDM Subcarriers.\n"},
        CliCase{"OfdmOrderNotOffered", {"--modulation", "ofdm", "--subcarriers", "qam:8"}, ExitInvalidInput,
                "Invalid OFDM Subcarriers.\n"},
        CliCase{"OfdmFftSize100", {"--modulation", "ofdm", "--fft-size", "100"}, ExitRefused, "FFT size must be one of 64, 72,"},
        CliCase{"OfdmNoRoomForDc", {"--modulation", "ofdm", "--active", "64"}, ExitRefused, "room for 1 to 63 active"},
        CliCase{"OfdmPulse", {"--modulation", "ofdm", "--pulse", "rrc"}, ExitRefused, "OFDM makes its own samples"},
        CliCase{"OfdmExact", {"--modulation", "ofdm", "--exact-timing"}, ExitRefused, "leave exact timing off"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(CommandLine, DefaultsWriteOneFileOfOneHundredThousandSamples) {
    TempDir dir;
    const auto run = runCli({"--save-path", dir.str(), "--seed", "1"});
    ASSERT_EQ(run.code, ExitSuccess) << run.err;
    EXPECT_NE(run.out.find("100000 samples"), std::string::npos) << run.out;
    const auto text = readBytes(dir.file("modulated_signal_1.csv"));
    EXPECT_EQ(text.rfind("Real,Imaginary\r\n", 0), 0u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 100001);
}

TEST(CommandLine, EverySchemeAndOrderRuns) {
    const std::vector<std::vector<std::string>> choices = {
        {"psk", "2"},  {"psk", "4"},    {"psk", "8"},    {"psk", "16"},  {"oqpsk"},       {"pi4dqpsk"},
        {"fsk", "2"},  {"fsk", "4"},    {"fsk", "8"},    {"msk"},        {"gmsk"},        {"qam", "16"},
        {"qam", "32"}, {"qam", "64"},   {"qam", "256"},  {"qam", "1024"}, {"qam", "2048"}, {"apsk", "16"},
        {"apsk", "32"}, {"apsk", "64"}, {"8"},
    };
    for (const auto& choice : choices) {
        TempDir dir;
        std::vector<std::string> args = {"--save-path", dir.str(), "--symbols", "64", "--quiet", "--modulation",
                                         choice[0]};
        if (choice.size() > 1) {
            args.insert(args.end(), {"--order", choice[1]});
        }
        const auto run = runCli(args);
        EXPECT_EQ(run.code, ExitSuccess) << choice[0] << " " << run.err;
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(std::filesystem::exists(dir.file("modulated_signal_1.csv"))) << choice[0];
    }
}

// --duration gives the length in seconds: the symbols it makes, or the rule it breaks.
TEST(CommandLine, DurationSetsTheSymbolsOrIsRefused) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string errorStart;  // empty: success
        std::uintmax_t bytes;    // of the cf32 file: 8 per sample
    };
    const Case cases[] = {
        {{"--duration", "0.5", "--symbol-rate", "2000"}, ExitSuccess, "", 1000 * 5 * 8},
        {{"--duration", "0.0123456", "--symbol-rate", "1000"}, ExitSuccess, "", 12 * 10 * 8},
        {{"--duration", "0.0004"}, ExitInvalidInput, "--duration: 0.0004 s at 1000 symbols per second is 0 symbols", 0},
        {{"--duration", "-1"}, ExitInvalidInput, "--duration: a number of seconds above 0", 0},
        {{"--duration", "1", "--symbols", "5"}, ExitInvalidInput, "--duration: not with --symbols", 0},
    };
    for (const Case& c : cases) {
        testing_support::TempDir dir;
        auto args = c.args;
        args.insert(args.end(), {"--save-path", dir.str(), "--format", "cf32", "--quiet"});
        const auto run = testing_support::runCli(args);
        EXPECT_EQ(run.code, c.code) << c.args[1] << ": " << run.err;
        EXPECT_EQ(run.err.substr(0, c.errorStart.size()), c.errorStart) << c.args[1];
        if (c.code == ExitSuccess) {
            EXPECT_EQ(std::filesystem::file_size(dir.file("modulated_signal_1.sigmf-data")), c.bytes) << c.args[1];
        }
    }
}

TEST(CommandLine, SameSeedGivesByteIdenticalFiles) {
    TempDir a;
    TempDir b;
    for (const auto* dir : {&a, &b}) {
        runCli({"--save-path", dir->str(), "--seed", "77", "--files", "2", "--symbols", "300", "--quiet",
                "--modulation", "qam", "--order", "64", "--mixing", "100", "--timing-error", "0.3"});
    }
    EXPECT_TRUE(sameBytes(readBytes(a.file("modulated_signal_2.csv")),
                          readBytes(b.file("modulated_signal_2.csv"))));
}

TEST(CommandLine, UnwritableFilesAreEachReportedAndExitWithThree) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("modulated_signal_1.csv"));
    std::filesystem::create_directory(dir.file("modulated_signal_2.csv"));
    const auto run = runCli({"--save-path", dir.str(), "--files", "2", "--symbols", "10"});
    EXPECT_EQ(run.code, ExitFileFailure);
    EXPECT_NE(run.err.find("Could not write " + dir.file("modulated_signal_1.csv") + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(dir.file("modulated_signal_2.csv")), std::string::npos) << run.err;
}

std::set<std::string> commandLineNamesIn(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(CommandLine, FormatChoosesTheSampleFilesAndEachGetsItsMetadata) {
    const std::pair<std::vector<std::string>, std::set<std::string>> cases[] = {
        {{}, {"modulated_signal_1.csv", "modulated_signal_1.sigmf-meta"}},
        {{"--format", "csv"}, {"modulated_signal_1.csv", "modulated_signal_1.sigmf-meta"}},
        {{"--format", "cf32"}, {"modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta"}},
        {{"--format", "both"},
         {"modulated_signal_1.csv", "modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta"}},
    };
    for (const auto& [format, files] : cases) {
        TempDir dir;
        auto args = format;
        args.insert(args.end(), {"--save-path", dir.str(), "--symbols", "30"});
        const auto run = runCli(args);
        EXPECT_EQ(run.code, ExitSuccess) << run.err;
        EXPECT_EQ(commandLineNamesIn(dir), files);
        // The sample files are counted and listed; the metadata beside each is only mentioned.
        const auto sampleFiles = files.size() - 1;
        EXPECT_EQ(run.out.rfind("Wrote " + std::to_string(sampleFiles) + (sampleFiles == 1 ? " file" : " files"), 0),
                  0u)
            << run.out;
        EXPECT_NE(run.out.find("each with its .sigmf-meta file"), std::string::npos) << run.out;
        for (const auto& name : files) {
            EXPECT_EQ(run.out.find(name) != std::string::npos, !name.ends_with(".sigmf-meta")) << name << run.out;
        }
    }
}

TEST(CommandLine, FromMakesASeededFileAgainByteForByte) {
    TempDir original;
    TempDir again;
    const auto made = runCli({"--save-path", original.str(), "--seed", "31", "--files", "3", "--symbols", "200",
                              "--format", "both", "--source", "prn7", "--modulation", "oqpsk", "--timing-error",
                              "-0.2", "--snr", "8", "--quiet"});
    ASSERT_EQ(made.code, ExitSuccess) << made.err;
    const auto run = runCli({"--from", original.file("modulated_signal_3.sigmf-meta"), "--save-path", again.str()});
    ASSERT_EQ(run.code, ExitSuccess) << run.err;
    EXPECT_NE(run.out.find("Regenerated file 3 of 3 (seed 31)"), std::string::npos) << run.out;
    const std::set<std::string> expected{"modulated_signal_3.csv", "modulated_signal_3.sigmf-data",
                                         "modulated_signal_3.sigmf-meta"};
    ASSERT_EQ(commandLineNamesIn(again), expected);
    for (const auto& name : expected) {
        EXPECT_TRUE(sameBytes(readBytes(again.file(name)), readBytes(original.file(name)))) << name;
    }
}

// OFDM's word parameter and its numbers are recorded, and read back into the same file.
TEST(CommandLine, FromMakesAnOfdmFileAgainByteForByte) {
    TempDir original;
    TempDir again;
    const auto made = runCli({"--save-path", original.str(), "--seed", "5", "--files", "2", "--symbols", "333",
                              "--format", "cf32", "--modulation", "ofdm", "--subcarriers", "qam:16", "--fft-size", "72",
                              "--cp-ratio", "0.125", "--active", "51", "--snr", "12", "--gray", "--quiet"});
    ASSERT_EQ(made.code, ExitSuccess) << made.err;
    const std::string meta = readBytes(original.file("modulated_signal_2.sigmf-meta"));
    EXPECT_NE(meta.find("\"quorvel:subcarriers\": \"qam:16\""), std::string::npos);
    const auto run = runCli({"--from", original.file("modulated_signal_2.sigmf-meta"), "--save-path", again.str()});
    ASSERT_EQ(run.code, ExitSuccess) << run.err;
    for (const char* name : {"modulated_signal_2.sigmf-data", "modulated_signal_2.sigmf-meta"}) {
        EXPECT_TRUE(sameBytes(readBytes(again.file(name)), readBytes(original.file(name)))) << name;
    }
    // ceil(333 / 51) OFDM symbols of 72 + 9 samples, 8 bytes each.
    EXPECT_EQ(std::filesystem::file_size(original.file("modulated_signal_2.sigmf-data")), 7u * 81u * 8u);
}

struct FromRefusal {
    const char* name;
    std::string metaText;  // empty: no file at all
    std::string message;   // the whole of the error output
};

TEST(CommandLine, FromRefusesWhatItCannotMakeAgainInOneLine) {
    TempDir unseeded;
    ASSERT_EQ(runCli({"--save-path", unseeded.str(), "--symbols", "20", "--quiet"}).code, ExitSuccess);
    const FromRefusal cases[] = {
        {"Unseeded", readBytes(unseeded.file("modulated_signal_1.sigmf-meta")),
         "cannot regenerate: the recording was made without --seed, so its random values cannot be drawn "
         "again\n"},
        {"NotJson", "Real,Imaginary\r\n1,0\r\n", "cannot regenerate: the file is not JSON\n"},
        {"OtherTool",
         R"({"global": {"core:datatype": "ci16_le", "core:version": "1.0.0"}, "captures": [], "annotations": []})",
         "cannot regenerate: the metadata was not written by Quorvel (no \"quorvel\" namespace)\n"},
        {"Missing", "", "cannot regenerate: "},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir target;
        const std::string path = dir.file("in.sigmf-meta");
        if (!c.metaText.empty()) {
            std::ofstream(path, std::ios::binary) << c.metaText;
        }
        const auto run = runCli({"--from", path, "--save-path", target.str()});
        EXPECT_EQ(run.code, ExitInvalidInput) << c.name;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << c.name << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.name << ": " << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(target.path())) << c.name;
    }
}

TEST(CommandLine, HelpExitsCleanly) {
    const auto run = runCli({"--help"});
    EXPECT_EQ(run.code, ExitSuccess);
    EXPECT_NE(run.out.find("--timing-error"), std::string::npos);
}

TEST(CommandLine, TheInstalledExecutableRunsEndToEnd) {
    TempDir dir;
    const std::string command = std::string(QUORVEL_CLI_PATH) + " --symbols 5 --source prn15 --snr inf --save-path " +
                                dir.str() + " > " + dir.file("out.txt") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readBytes(dir.file("out.txt"));
    EXPECT_TRUE(readBytes(dir.file("modulated_signal_1.csv")).starts_with("Real,Imaginary\r\n1,0\r\n"));
}

}  // namespace
}  // namespace quorvel
