// A recording of each family added last makes its file again byte for byte through --from, its
// own parameters read back from the metadata.

#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::runCli;
using testing_support::sameBytes;
using testing_support::TempDir;

TEST(LaterFamilies, FromMakesEachFamilysFileAgainByteForByte) {
    const std::vector<std::vector<std::string>> choices = {
        {"--modulation", "gfsk", "--order", "8", "--mod-index", "0.35", "--bt", "0.45", "--source", "prbs9"},
        {"--modulation", "lfm", "--chirp-bandwidth", "3000", "--chirp-length", "100", "--chirp-gap", "28"},
        {"--modulation", "chirpss", "--spreading-factor", "9", "--chirp-bandwidth", "2500", "--gray"},
    };
    for (const auto& choice : choices) {
        const TempDir original;
        const TempDir again;
        std::vector<std::string> args = choice;
        args.insert(args.end(), {"--seed", "17", "--files", "2", "--symbols", "40", "--snr", "6", "--format", "both",
                                 "--freq-offset", "120", "--quiet", "--save-path", original.str()});
        const auto made = runCli(args);
        ASSERT_EQ(made.code, 0) << choice[1] << ": " << made.err;
        const auto run = runCli({"--from", original.file("modulated_signal_2.sigmf-meta"), "--save-path", again.str()});
        ASSERT_EQ(run.code, 0) << choice[1] << ": " << run.err;
        for (const char* name : {"modulated_signal_2.csv", "modulated_signal_2.sigmf-data", "modulated_signal_2.sigmf-meta"}) {
            EXPECT_TRUE(sameBytes(readBytes(again.file(name)), readBytes(original.file(name)))) << choice[1] << " " << name;
        }
    }
}

}  // namespace
}  // namespace quorvel
