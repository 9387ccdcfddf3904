// A noisy recording of each family added last is made again byte for byte through --from, its own
// parameters read back from the metadata.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel::testing_support {
namespace {

TEST(LaterFamilies, FromMakesEachFamilysFileAgainByteForByte) {
    for (const std::vector<std::string>& choice : std::vector<std::vector<std::string>>{
             {"--modulation", "gfsk", "--order", "8", "--mod-index", "0.35", "--bt", "0.45", "--source", "prbs9"},
             {"--modulation", "lfm", "--chirp-bandwidth", "3000", "--chirp-length", "100", "--chirp-gap", "28"},
             {"--modulation", "chirpss", "--spreading-factor", "9", "--chirp-bandwidth", "2500", "--gray"}}) {
        const TempDir original, again;
        std::vector<std::string> args = choice;
        args.insert(args.end(), {"--seed", "17", "--files", "2", "--symbols", "40", "--snr", "6", "--format", "both",
                                 "--freq-offset", "120", "--quiet", "--save-path", original.str()});
        ASSERT_EQ(runCli(args).code, 0) << choice[1];
        const auto run = runCli({"--from", original.file("modulated_signal_2.sigmf-meta"), "--save-path", again.str()});
        ASSERT_EQ(run.code, 0) << choice[1] << ": " << run.err;
        for (const char* name : {"modulated_signal_2.csv", "modulated_signal_2.sigmf-data", "modulated_signal_2.sigmf-meta"}) {
            EXPECT_TRUE(sameBytes(readBytes(again.file(name)), readBytes(original.file(name)))) << choice[1] << " " << name;
        }
    }
}

}  // namespace
}  // namespace quorvel::testing_support
