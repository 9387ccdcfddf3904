#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include "synthesis/RunCheck.h"

#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/ChildProcess.h"

namespace quorvel {
namespace {

struct AlphabetCase {
    ModulationType type;
    std::int32_t pskOrder;
    std::int32_t fskOrder;
    std::int32_t qamOrder;
    std::int32_t apskOrder;
    std::int32_t expected;
    bool onePointPerSymbol;
};

TEST(SchemeCatalog, AlphabetSizeAndResamplingFollowTheScheme) {
    const AlphabetCase cases[] = {
        {ModulationType::Psk, 16, 0, 0, 0, 16, true},   {ModulationType::Psk, 2, 0, 0, 0, 2, true},
        {ModulationType::Oqpsk, 0, 0, 0, 0, 4, true},   {ModulationType::Pi4Dqpsk, 0, 0, 0, 0, 4, true},
        {ModulationType::Fsk, 0, 8, 0, 0, 8, false},    {ModulationType::Msk, 0, 0, 0, 0, 2, false},
        {ModulationType::Gmsk, 0, 0, 0, 0, 2, false},   {ModulationType::Qam, 0, 0, 2048, 0, 2048, true},
        {ModulationType::Apsk, 0, 0, 0, 64, 64, true},  {ModulationType::Apsk, 0, 0, 0, 48, 0, true},
    };
    for (const auto& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        p.pskOrder = c.pskOrder;
        p.fskOrder = c.fskOrder;
        p.qamOrder = c.qamOrder;
        p.apskOrder = c.apskOrder;
        EXPECT_EQ(alphabetSize(p), c.expected) << static_cast<int>(c.type);
        EXPECT_EQ(mapsOnePointPerSymbol(c.type), c.onePointPerSymbol) << static_cast<int>(c.type);
    }
    SignalParameters unknown;
    unknown.modulationType = static_cast<ModulationType>(0);
    EXPECT_EQ(alphabetSize(unknown), 0);
}

TEST(SchemeCatalog, TypedApskRadiiReplaceTheDefaultsFromTwoNumbersOn) {
    SignalParameters p;
    p.modulationType = ModulationType::Apsk;
    p.apskOrder = 32;
    p.apskRadiiText = "";
    EXPECT_EQ(apskRadiiForRun(p), (std::vector<double>{0.3, 0.7, 1.2}));
    p.apskRadiiText = "2";
    EXPECT_EQ(apskRadiiForRun(p), (std::vector<double>{0.3, 0.7, 1.2}));
    p.apskRadiiText = "1 2 x 3";
    EXPECT_EQ(apskRadiiForRun(p), (std::vector<double>{1.0, 2.0}));
}

struct SizeCase {
    ModulationType type;
    std::int32_t symbols;
    double symbolRate;
    double samplingRate;
    double expectedSamples;
};

TEST(RunCheck, SamplesPerFileMatchWhatTheStagesProduce) {
    const SizeCase cases[] = {
        {ModulationType::Psk, 10000, 1000, 10000, 100000},
        {ModulationType::Qam, 10000, 3000, 10000, 33333},
        {ModulationType::Psk, 7, 1000, 1000, 7},
        {ModulationType::Fsk, 10000, 3000, 10000, 30000},
        {ModulationType::Msk, 100, 1000, 2500, 200},
        {ModulationType::Gmsk, 100, 1000, 999, 0},
    };
    for (const auto& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        p.symbolCount = c.symbols;
        p.symbolRate = c.symbolRate;
        p.samplingRate = c.samplingRate;
        EXPECT_EQ(samplesPerFile(p), c.expectedSamples) << static_cast<int>(c.type) << " " << c.samplingRate;
    }
}

// A kept signal costs its samples; a streamed one a few blocks, however long the file.
TEST(RunCheck, PeakMemoryGrowsWithTheFileOnlyWhenTheSignalIsKept) {
    for (const std::int32_t symbols : {10, 10000, 100000000}) {
        SignalParameters p;
        p.symbolCount = symbols;
        const double signalBytes = 16.0 * samplesPerFile(p);
        EXPECT_GE(peakMemoryBytes(p, true), signalBytes) << symbols;
        EXPECT_LE(peakMemoryBytes(p, false), 64.0 * 1048576.0) << symbols;
    }
}

TEST(RunCheck, AvailableMemoryIsPlausible) {
    const auto bytes = availableMemoryBytes();
    EXPECT_GT(bytes, std::uint64_t{16} << 20);
    EXPECT_LT(bytes, std::uint64_t{1} << 50);
}

// The bytes of a /proc/self/status entry, read independently of the code under test.
std::uint64_t statusEntryBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string name;
    std::uint64_t kib = 0;
    std::string line;
    while (std::getline(status, line)) {
        std::istringstream fields(line);
        if (fields >> name >> kib && name == key + ":") {
            return kib * 1024u;
        }
    }
    return 0;
}

// A resource limit 64 MiB above what the process already uses leaves it about 64 MiB, whatever
// the machine has free; in a child, so that the test process keeps its own limits.
TEST(RunCheck, AvailableMemoryHonoursTheProcessLimits) {
    constexpr std::uint64_t kRoom = std::uint64_t{64} << 20;
    const struct {
        int resource;
        const char* used;
    } cases[] = {{RLIMIT_AS, "VmSize"}, {RLIMIT_DATA, "VmData"}};
    for (const auto& c : cases) {
        const auto result = testing_support::runInChild({}, [&c] {
            const rlim_t bound = statusEntryBytes(c.used) + kRoom;
            const rlimit limit{bound, RLIM_INFINITY};
            if (::setrlimit(c.resource, &limit) != 0) {
                return std::string("cannot set the limit");
            }
            return std::to_string(availableMemoryBytes());
        });
        ASSERT_EQ(result.error, "") << c.used;
        ASSERT_NE(result.text, "cannot set the limit") << c.used;
        const auto bytes = std::stoull(result.text);
        EXPECT_LE(bytes, kRoom) << c.used;
        EXPECT_GT(bytes, kRoom / 2) << c.used;
    }
}

}  // namespace
}  // namespace quorvel
