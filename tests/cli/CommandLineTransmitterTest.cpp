// The transmitter options through the command line: their refusals, the warning of a keyed
// scheme whose rate cannot be kept, and files made again from their metadata byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::runCli;
using testing_support::sameBytes;
using testing_support::TempDir;

struct CommandLineTransmitterRefusal {
    std::vector<std::string> args;
    int code;
    std::string firstLine;  // of standard error
};

TEST(CommandLineTransmitter, BadSettingsAreRefusedWithTheirRule) {
    const std::vector<CommandLineTransmitterRefusal> cases = {
        {{"--pulse", "sinc"}, ExitInvalidInput, "--pulse: unknown pulse \"sinc\" (use linear, rrc, rc or gaussian)."},
        {{"--rolloff", "0.2"}, ExitInvalidInput, "--rolloff: only with a shaped pulse (--pulse rrc, rc or gaussian)."},
        {{"--pulse", "rrc", "--rolloff", "x"}, ExitInvalidInput, "Invalid Roll-off."},
        {{"--pulse", "rrc", "--span", "2.5"}, ExitInvalidInput, "Invalid Pulse Span."},
        {{"--pulse", "rrc", "--rolloff", "0"}, ExitRefused, "Signal generation failed."},
        {{"--pulse", "gaussian", "--span", "0"}, ExitRefused, "Signal generation failed."},
        {{"--pulse", "rrc", "--modulation", "gmsk"}, ExitRefused, "Signal generation failed."},
        {{"--pulse", "rrc", "--sampling-rate", "500"}, ExitRefused, "Signal generation failed."},
        {{"--gray", "--modulation", "apsk"}, ExitRefused, "Signal generation failed."},
        {{"--source", "prbs11"}, ExitInvalidInput, "--source: unknown data source \"prbs11\" (use random, prn15, prn7, prbs7, prbs9, prbs15, prbs23, prbs31, prbs15-inv, prbs23-inv or prbs31-inv)."},
        {{"--source", "prbs9", "--bits", "x"}, ExitInvalidInput, "--bits: not with --source prbs9 (both are bit sources)."},
        {{"--bits", ""}, ExitInvalidInput, "--bits: an empty value names no file."},
        {{"--snr-def", "cn0"}, ExitInvalidInput, "--snr-def: unknown definition \"cn0\" (use sample, esn0 or ebn0)."},
        {{"--snr-ref", "peak\x1b"}, ExitInvalidInput, "--snr-ref: unknown reference \"peak\\x1b\" (use measured or nominal)."},
    };
    for (const CommandLineTransmitterRefusal& c : cases) {
        TempDir dir;
        auto args = c.args;
        args.insert(args.end(), {"--save-path", dir.str(), "--symbols", "20"});
        const auto run = runCli(args);
        EXPECT_EQ(run.code, c.code) << c.args[0] << ": " << run.err;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.firstLine) << c.args[0];
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.args[0];
    }
}

nlohmann::json globalOf(const std::string& metaPath) {
    return nlohmann::json::parse(std::ifstream(metaPath))["global"];
}

TEST(CommandLineTransmitter, KeyedSchemesWarnWhenTheRateCannotBeKept) {
    for (const bool exact : {false, true}) {
        TempDir dir;
        std::vector<std::string> args{"--modulation", "msk", "--symbol-rate", "3000", "--symbols", "30", "--seed", "1",
                                      "--save-path", dir.str()};
        if (exact) args.push_back("--exact-timing");
        const auto run = runCli(args);
        ASSERT_EQ(run.code, ExitSuccess) << run.err;
        const auto global = globalOf(dir.file("modulated_signal_1.sigmf-meta"));
        EXPECT_EQ(run.err.find("3333.33 Hz, not 3000 Hz") != std::string::npos, !exact) << run.err;
        EXPECT_EQ(global.contains("quorvel:effective_symbol_rate"), !exact);
        if (!exact) {
            EXPECT_DOUBLE_EQ(global["quorvel:effective_symbol_rate"].get<double>(), 10000.0 / 3.0);
        }
    }
}

TEST(CommandLineTransmitter, EverySettingIsRecordedAndMadeAgainByteForByte) {
    TempDir dir;
    const std::string payload = dir.file("payload.bin");
    std::ofstream(payload, std::ios::binary) << "Quorvel";
    const std::vector<std::vector<std::string>> runs = {
        {"--modulation", "qam", "--order", "64", "--pulse", "rrc", "--rolloff", "0.25", "--span", "12", "--gray",
         "--source", "prbs15", "--snr-def", "ebn0", "--snr", "12", "--symbol-rate", "3000"},
        {"--modulation", "oqpsk", "--pulse", "gaussian", "--bits", payload, "--snr-def", "esn0"},
        {"--modulation", "gmsk", "--exact-timing", "--symbol-rate", "3000", "--source", "prbs7"},
        {"--modulation", "ook", "--pulse", "rrc", "--snr-ref", "nominal", "--snr", "6"},
    };
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::string first = dir.file("first" + std::to_string(k));
        const std::string again = dir.file("again" + std::to_string(k));
        std::filesystem::create_directories(first);
        std::filesystem::create_directories(again);
        auto args = runs[k];
        args.insert(args.end(), {"--files", "2", "--symbols", "300", "--seed", "4", "--format", "cf32", "--save-path", first});
        ASSERT_EQ(runCli(args).code, ExitSuccess) << runs[k][1];
        // The payload lies beside the recordings' folders, not in them.
        const auto from = runCli({"--from", first + "/modulated_signal_2.sigmf-meta", "--save-path", again,
                                  "--trust-payload-path"});
        ASSERT_EQ(from.code, ExitSuccess) << from.err;
        EXPECT_TRUE(sameBytes(readBytes(again + "/modulated_signal_2.sigmf-data"),
                              readBytes(first + "/modulated_signal_2.sigmf-data")))
            << runs[k][1];
        EXPECT_TRUE(sameBytes(readBytes(again + "/modulated_signal_2.sigmf-meta"),
                              readBytes(first + "/modulated_signal_2.sigmf-meta")))
            << runs[k][1];
    }
    const auto global = globalOf(dir.file("first0/modulated_signal_1.sigmf-meta"));
    EXPECT_EQ(global["quorvel:pulse"], "rrc");
    EXPECT_EQ(global["quorvel:bit_source"], "prbs15");
    // Eb/N0 12 dB of 6-bit symbols at 10/3 samples per symbol.
    EXPECT_NEAR(global["quorvel:snr_per_sample_db"].get<double>(), 12 + 10 * std::log10(6.0) - 10 * std::log10(10.0 / 3),
                1e-12);
}

}  // namespace
}  // namespace quorvel
