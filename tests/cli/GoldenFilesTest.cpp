// Every file a seeded run writes, compared byte for byte with what release 0.1.0 wrote for the
// same settings: new settings are opt-in, so without them no byte may change. The digests were
// taken from the 0.1.0 binary; a change here is a change every stored recording would see.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::fileNamesIn;
using testing_support::readBytes;
using testing_support::runCli;
using testing_support::TempDir;

// FNV-1a over each file's name, a NUL and its bytes, in name order; the folder's own path inside
// the metadata is replaced by "DIR" so that the digest does not depend on where the test runs.
std::uint64_t folderDigest(const TempDir& dir) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&hash](const std::string& bytes) {
        for (const unsigned char byte : bytes) {
            hash = (hash ^ byte) * 0x100000001b3ULL;
        }
    };
    std::vector<std::string> names = fileNamesIn(dir.str());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string bytes = readBytes(dir.file(name));
        for (std::size_t at = bytes.find(dir.str()); at != std::string::npos; at = bytes.find(dir.str(), at)) {
            bytes.replace(at, dir.str().size(), "DIR");
        }
        mix(name + std::string(1, '\0') + bytes);
    }
    return hash;
}

struct GoldenRun {
    std::uint64_t digest;
    std::vector<std::string> args;
};

// Every scheme, source and format, the channel settings, several files and the extreme seeds.
const GoldenRun kRuns[] = {
        {0x7367b02dffd18f0cULL, {"--seed", "1", "--symbols", "200"}},
        {0xce35eabfa9844317ULL, {"--modulation", "oqpsk", "--seed", "2", "--symbols", "300", "--format", "both", "--snr", "inf"}},
        {0x6d79875c53566c39ULL, {"--modulation", "pi4dqpsk", "--source", "prn15", "--seed", "3", "--symbols", "250", "--mixing", "1234.5"}},
        {0xafe821620e2fc08dULL, {"--modulation", "fsk", "--order", "8", "--seed", "4", "--symbols", "100", "--timing-error", "0.3"}},
        {0x41e7a48f29f428b9ULL, {"--modulation", "msk", "--seed", "5", "--symbols", "120", "--sampling-rate", "8000", "--freq-offset", "-77", "--format", "cf32"}},
        {0xbd49a74d6f870179ULL, {"--modulation", "gmsk", "--source", "prn7", "--seed", "6", "--symbols", "150", "--snr", "5", "--files", "2"}},
        {0x5811493d6809468aULL, {"--modulation", "qam", "--order", "2048", "--seed", "7", "--symbols", "400", "--symbol-rate", "3000", "--format", "both"}},
        {0x4c2e5c2366c2c888ULL, {"--modulation", "qam", "--order", "32", "--seed", "8", "--symbols", "300", "--timing-error", "-0.7", "--mixing", "500"}},
        {0x0d5d831b56a9c240ULL, {"--modulation", "apsk", "--order", "64", "--seed", "9", "--symbols", "200"}},
        {0x08fd795619778949ULL, {"--modulation", "apsk", "--order", "32", "--apsk-radii", "1 2 3", "--seed", "10", "--symbols", "200", "--snr", "12"}},
        {0x2e286308b1b05fb0ULL, {"--order", "16", "--seed", "4294967295", "--symbols", "1000", "--sampling-rate", "44100", "--symbol-rate", "4800", "--files", "3"}},
        {0xe5861d12954b14cbULL, {"--order", "2", "--source", "prn15", "--seed", "12", "--symbols", "500", "--format", "both", "--snr", "-3"}},
        {0x74b396f70a1c332dULL, {"--modulation", "apsk", "--seed", "13", "--symbols", "100", "--timing-error", "1", "--freq-offset", "250"}},
};

TEST(GoldenFiles, SeededRunsWriteTheBytesOfRelease010) {
    for (const GoldenRun& run : kRuns) {
        const TempDir dir;
        std::vector<std::string> args = run.args;
        args.insert(args.end(), {"--save-path", dir.str(), "--quiet"});
        const auto result = runCli(args);
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(folderDigest(dir), run.digest) << ::testing::PrintToString(run.args);
    }
}

}  // namespace
}  // namespace quorvel
