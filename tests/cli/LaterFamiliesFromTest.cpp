// A noisy recording of each family added last is made again byte for byte through --from, its own
// parameters read back from the metadata.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "support/WavFile.h"

namespace quorvel::testing_support {
namespace {

TEST(LaterFamilies, FromMakesEachFamilysFileAgainByteForByte) {
    for (const std::vector<std::string>& choice : std::vector<std::vector<std::string>>{
             {"--modulation", "gfsk", "--order", "8", "--mod-index", "0.35", "--bt", "0.45", "--source", "prbs9"},
             {"--modulation", "lfm", "--chirp-bandwidth", "3000", "--chirp-length", "100", "--chirp-gap", "28"},
             {"--modulation", "chirpss", "--spreading-factor", "9", "--chirp-bandwidth", "2500", "--gray"},
             {"--modulation", "am-ssb-sc", "--sideband", "lower", "--message-bandwidth", "2500"},
             {"--modulation", "am-dsb", "--mod-depth", "0.8", "--message", "tone:700,1900"},
             {"--modulation", "fm", "--deviation", "900"}}) {
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

// A recording made from a WAV message is made again while the file is the same, and refused in one
// line once it has another byte (same size), another size, or is gone.
TEST(LaterFamilies, FromRefusesAChangedMessageFile) {
    const TempDir original, again, sound;
    const std::string wav = sound.file("speech.wav");
    const auto write = [&](std::int16_t first, std::size_t count) {
        std::vector<std::int16_t> samples(count);
        for (std::size_t n = 0; n < count; ++n) {
            samples[n] = static_cast<std::int16_t>(n % 8 < 4 ? 9000 : -9000);
        }
        samples[0] = first;
        writeWav(wav, 8000, 1, samples);
    };
    write(9000, 160);
    ASSERT_EQ(runCli({"--modulation", "am-dsb", "--message", wav, "--sampling-rate", "16000", "--seed", "3",
                      "--symbols", "400", "--snr", "10", "--format", "cf32", "--quiet", "--save-path", original.str()})
                  .code,
              0);
    const std::string meta = original.file("modulated_signal_1.sigmf-meta");
    EXPECT_NE(readBytes(meta).find("message_file_sha256"), std::string::npos);
    const auto same = runCli({"--from", meta, "--save-path", again.str()});
    ASSERT_EQ(same.code, 0) << same.err;
    EXPECT_TRUE(sameBytes(readBytes(again.file("modulated_signal_1.sigmf-data")),
                          readBytes(original.file("modulated_signal_1.sigmf-data"))));
    struct Change {
        std::int16_t first;
        std::size_t count;
        const char* reason;
    };
    for (const Change& c : {Change{8999, 160, "SHA-256 differs"}, Change{9000, 161, "holds 366 bytes"},
                            Change{0, 0, "No such file"}}) {
        if (c.count == 0) {
            std::filesystem::remove(wav);
        } else {
            write(c.first, c.count);
        }
        const auto run = runCli({"--from", meta, "--save-path", again.str()});
        EXPECT_EQ(run.code, 2) << c.reason;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

}  // namespace
}  // namespace quorvel::testing_support
