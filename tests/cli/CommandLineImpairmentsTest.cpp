// The impairment options through the real binary: every malformed or out-of-rule value refused in
// one line naming its option, and a seeded file with every impairment made again by --from.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

const std::vector<std::string> kEveryImpairment = {"--pa",           "rapp:2,0.8",
                                                   "--clock-offset", "50",
                                                   "--multipath",    "0:0:0 3.5:-6:90 12:-10:0",
                                                   "--fading",       "rician:4",
                                                   "--doppler",      "20",
                                                   "--phase-noise",  "-80@1000",
                                                   "--iq-imbalance", "0.5,3",
                                                   "--dc-offset",    "0.01,-0.02"};

TEST(CommandLineImpairments, RefusesEachBadValueInOneLineNamingItsOption) {
    struct Case {
        std::vector<std::string> args;
        const char* start;  // of the one line on standard error
    };
    const Case cases[] = {
        {{"--pa", "rapp:0,1"}, "--pa: use rapp:P,A"},
        {{"--pa", "saleh:1,1"}, "--pa: use rapp:P,A"},
        {{"--pa", "rapp:1"}, "--pa: use rapp:P,A"},
        {{"--pa", ""}, "--pa: an empty value"},
        {{"--clock-offset", "2e5"}, "--clock-offset: use a number of parts per million"},
        {{"--clock-offset", "nan"}, "--clock-offset: use a number"},
        {{"--multipath", "1:2"}, "--multipath: use at most 32 taps"},
        {{"--multipath", "-1:0:0"}, "--multipath: use at most 32 taps"},
        {{"--multipath", "0:41:0"}, "--multipath: use at most 32 taps"},
        {{"--multipath", "   "}, "--multipath: use at most 32 taps"},
        {{"--fading", "rician:-1", "--doppler", "10"}, "--fading: use rayleigh, or rician:K"},
        {{"--fading", "nakagami", "--doppler", "10"}, "--fading: use rayleigh, or rician:K"},
        {{"--fading", "rayleigh"}, "--doppler: use a maximum Doppler frequency"},
        {{"--doppler", "10"}, "--doppler: use a maximum Doppler frequency"},
        {{"--fading", "rayleigh", "--doppler", "5001"},
         "--doppler: use a maximum Doppler frequency from 0 Hz to half"},
        {{"--phase-noise", "-80"}, "--phase-noise: use L@F"},
        {{"--phase-noise", "1@100"}, "--phase-noise: use L@F"},
        {{"--phase-noise", "-80@0"}, "--phase-noise: use L@F"},
        {{"--iq-imbalance", "1"}, "--iq-imbalance: use A,PHI"},
        {{"--iq-imbalance", "21,0"}, "--iq-imbalance: use A,PHI"},
        {{"--iq-imbalance", "0,46"}, "--iq-imbalance: use A,PHI"},
        {{"--dc-offset", "1,inf"}, "--dc-offset: use I,Q"},
        {{"--from", "x.sigmf-meta", "--multipath", "0:0:0"},
         "--multipath cannot be given with --from"},
    };
    const TempDir dir;
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--save-path", dir.str()});
        const auto run = testing_support::runProgram(QUORVEL_CLI_PATH, args, {}, dir.path());
        ASSERT_TRUE(run.error.empty()) << run.error;
        EXPECT_EQ(run.code, 2) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(run.err.rfind(c.start, 0), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST(CommandLineImpairments, FromMakesASeededFileWithEveryImpairmentAgainByteForByte) {
    const TempDir dir;
    std::filesystem::create_directory(dir.file("again"));
    std::vector<std::string> args = kEveryImpairment;
    args.insert(args.end(), {"--seed", "9", "--files", "2", "--symbols", "3000", "--format", "both",
                             "--quiet", "--save-path", dir.str()});
    ASSERT_EQ(testing_support::runCli(args).code, 0);
    const auto again = testing_support::runCli({"--from", dir.file("modulated_signal_2.sigmf-meta"),
                                                "--save-path", dir.file("again"), "--quiet"});
    ASSERT_EQ(again.code, 0) << again.err;
    for (const char* name : {"modulated_signal_2.sigmf-data", "modulated_signal_2.csv",
                             "modulated_signal_2.sigmf-meta"}) {
        EXPECT_TRUE(
            sameBytes(readBytes(dir.file(std::string("again/") + name)), readBytes(dir.file(name))))
            << name;
    }
    // The two files' random stages drew different values.
    EXPECT_FALSE(sameBytes(readBytes(dir.file("modulated_signal_1.sigmf-data")),
                           readBytes(dir.file("modulated_signal_2.sigmf-data"))));
    EXPECT_NE(readBytes(dir.file("modulated_signal_2.sigmf-meta")).find("\"quorvel:phase_noise\""),
              std::string::npos);
}

}  // namespace
}  // namespace quorvel
