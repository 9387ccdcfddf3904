// Every file a seeded run writes, compared byte for byte with golden digests: new settings are
// opt-in, so without them no byte may change; a change here is a change every stored recording
// would see. The digests are of the files seeded per file from splitMix64(seed, K); those that
// release 0.1.0 wrote, seeded in one sequence over the run, are still made again by --from.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

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

std::uint64_t fnv1a(const std::string& bytes, std::uint64_t hash = 0xcbf29ce484222325ULL) {
    for (const unsigned char byte : bytes) {
        hash = (hash ^ byte) * 0x100000001b3ULL;
    }
    return hash;
}

// FNV-1a over each file's name, a NUL and its bytes, in name order; the folder's own path inside
// the metadata is replaced by "DIR" so that the digest does not depend on where the test runs.
std::uint64_t folderDigest(const TempDir& dir) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&hash](const std::string& bytes) { hash = fnv1a(bytes, hash); };
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
        {0x3ee1e91d000d878aULL, {"--seed", "1", "--symbols", "200"}},
        {0xe2766ac473852f46ULL, {"--modulation", "oqpsk", "--seed", "2", "--symbols", "300", "--format", "both", "--snr", "inf"}},
        {0x8cb0ca3c2c2a419cULL, {"--modulation", "pi4dqpsk", "--source", "prn15", "--seed", "3", "--symbols", "250", "--mixing", "1234.5"}},
        {0x279b8fc7c7f8a290ULL, {"--modulation", "fsk", "--order", "8", "--seed", "4", "--symbols", "100", "--timing-error", "0.3"}},
        {0x184b18c06196cdb0ULL, {"--modulation", "msk", "--seed", "5", "--symbols", "120", "--sampling-rate", "8000", "--freq-offset", "-77", "--format", "cf32"}},
        {0x39eb2edd0924079fULL, {"--modulation", "gmsk", "--source", "prn7", "--seed", "6", "--symbols", "150", "--snr", "5", "--files", "2"}},
        {0xc155398eb4b8d14bULL, {"--modulation", "qam", "--order", "2048", "--seed", "7", "--symbols", "400", "--symbol-rate", "3000", "--format", "both"}},
        {0xd0e94a495e794a1cULL, {"--modulation", "qam", "--order", "32", "--seed", "8", "--symbols", "300", "--timing-error", "-0.7", "--mixing", "500"}},
        {0xcd437835d380d37cULL, {"--modulation", "apsk", "--order", "64", "--seed", "9", "--symbols", "200"}},
        {0x438ceb53a648a3fcULL, {"--modulation", "apsk", "--order", "32", "--apsk-radii", "1 2 3", "--seed", "10", "--symbols", "200", "--snr", "12"}},
        {0xbff7eb5d4c944005ULL, {"--order", "16", "--seed", "4294967295", "--symbols", "1000", "--sampling-rate", "44100", "--symbol-rate", "4800", "--files", "3"}},
        {0xc8e944cbdb728acaULL, {"--order", "2", "--source", "prn15", "--seed", "12", "--symbols", "500", "--format", "both", "--snr", "-3"}},
        {0x7a8b0d941c7d9cd8ULL, {"--modulation", "apsk", "--seed", "13", "--symbols", "100", "--timing-error", "1", "--freq-offset", "250"}},
};

TEST(GoldenFiles, SeededRunsWriteTheirGoldenBytes) {
    for (const GoldenRun& run : kRuns) {
        const TempDir dir;
        std::vector<std::string> args = run.args;
        args.insert(args.end(), {"--save-path", dir.str(), "--quiet"});
        const auto result = runCli(args);
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(folderDigest(dir), run.digest) << ::testing::PrintToString(run.args);
    }
}

// A recording of release 0.1.0 (its metadata names no seed derivation) is made again the way
// 0.1.0 seeded it, to the byte: the digests are of the files the 0.1.0 binary wrote.
TEST(GoldenFiles, RecordingsOfRelease010AreMadeAgain) {
    const struct {
        std::vector<std::string> args;
        std::int32_t file;
        std::vector<std::pair<std::string, std::uint64_t>> digests;
    } cases[] = {
        {{"--modulation", "gmsk", "--seed", "6", "--symbols", "150", "--snr", "5", "--files", "3", "--format", "cf32"},
         3, {{".sigmf-data", 0x632331ee2b9b2fddULL}}},
        {{"--modulation", "qam", "--order", "64", "--seed", "11", "--symbols", "300", "--timing-error", "0.3",
          "--files", "4", "--format", "both"},
         4, {{".sigmf-data", 0xb3ce28db37af8f24ULL}, {".csv", 0x2c51d7def273d5e1ULL}}},
    };
    for (const auto& c : cases) {
        const TempDir made, again;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--save-path", made.str(), "--quiet"});
        ASSERT_EQ(runCli(args).code, 0);
        const std::string stem = "modulated_signal_" + std::to_string(c.file);
        auto meta = nlohmann::ordered_json::parse(readBytes(made.file(stem + ".sigmf-meta")));
        ASSERT_EQ(meta["global"]["quorvel:seed_derivation"], "splitmix64");
        meta["global"].erase("quorvel:seed_derivation");
        std::ofstream(made.file("old.sigmf-meta"), std::ios::binary) << meta.dump(2);
        const auto run = runCli({"--from", made.file("old.sigmf-meta"), "--save-path", again.str(), "--quiet"});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_NE(run.err.find("note: the recording names no seed derivation"), std::string::npos) << run.err;
        for (const auto& [extension, digest] : c.digests) {
            EXPECT_EQ(fnv1a(readBytes(again.file(stem + extension))), digest) << extension;
            EXPECT_NE(fnv1a(readBytes(made.file(stem + extension))), digest) << extension;
        }
        const std::string metaText = readBytes(again.file(stem + ".sigmf-meta"));
        EXPECT_EQ(metaText.find("seed_derivation"), std::string::npos);
    }
}

}  // namespace
}  // namespace quorvel
