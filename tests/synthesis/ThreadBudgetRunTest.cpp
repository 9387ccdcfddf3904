#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "export/SampleSink.h"
#include "synthesis/SignalSynthesizer.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

std::size_t threadsOfThisProcess() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// Beside the files, counts the process's threads at every block.
class ThreadCountingTap final : public SampleSink {
public:
    const std::string& name() const override { return name_; }
    void write(std::span<const ComplexSample>) override { most = std::max(most, threadsOfThisProcess()); }
    int error() const override { return 0; }
    std::optional<std::string> finish(bool) override { return std::nullopt; }

    std::size_t most = 0;

private:
    std::string name_ = "tap";
};

// FNV-1a over a file, with its size: enough to tell two outputs apart without holding both.
struct Digest {
    std::uint64_t size = 0;
    std::uint64_t hash = 14695981039346656037ULL;
    friend bool operator==(const Digest&, const Digest&) = default;
};

Digest digestOf(const std::string& path) {
    Digest d;
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        for (std::streamsize k = 0; k < in.gcount(); ++k) {
            d.hash = (d.hash ^ static_cast<unsigned char>(chunk[static_cast<std::size_t>(k)])) * 1099511628211ULL;
        }
        d.size += static_cast<std::uint64_t>(in.gcount());
    }
    return d;
}

// A long file with every channel stage (each of which may take a thread of its own) into CSV
// (whose formatters may too) and cf32: under any budget the process never computes on more
// threads than the budget, uses the helpers it may, and writes the same bytes.
TEST(ThreadBudget, ALongImpairedRunStaysWithinTheBudgetAndWritesTheSameBytes) {
    SignalParameters p;
    p.symbolCount = 30000;  // 300 000 samples: long enough for the stage threads
    p.outputFormat = OutputFormat::Both;
    // Without noise the file is made in one pass, which the tap sees whole.
    p.snrDb = std::numeric_limits<double>::infinity();
    p.impairments = {.clockOffsetPpm = 40.0,
                     .multipath = {{0.0, 0.0, 0.0}, {3.5, -6.0, 90.0}},
                     .fading = Fading{FadingModel::Rician, 4.0, 20.0},
                     .phaseNoise = PhaseNoise{-80.0, 1000.0},
                     .iqImbalance = {0.5, 3.0}};
    const std::size_t before = threadsOfThisProcess();
    std::vector<Digest> reference;
    for (const char* budget : {"1", "2", "3", "6"}) {
        SCOPED_TRACE(budget);
        setenv("QUORVEL_THREADS", budget, 1);
        TempDir dir;
        p.savePath = dir.str();
        ThreadCountingTap tap;
        RunOptions options;
        options.keepLastSignal = false;
        options.lastFileTap = &tap;
        const GenerationResult result = SignalSynthesizer::seeded(11).generateSignal(p, options);
        unsetenv("QUORVEL_THREADS");
        ASSERT_EQ(result.refusal, "");
        ASSERT_EQ(result.writtenFiles.size(), 2u);
        const auto allowed = static_cast<std::size_t>(std::stoi(budget));
        EXPECT_LE(tap.most - before + 1, allowed);
        if (allowed > 1) {
            EXPECT_GT(tap.most, before);
        }
        std::vector<Digest> digests;
        for (const std::string& file : result.writtenFiles) {
            digests.push_back(digestOf(file));
        }
        if (reference.empty()) {
            reference = digests;
            EXPECT_GT(reference[0].size, 300000u * 10);
        }
        EXPECT_TRUE(digests == reference);
    }
}

}  // namespace
}  // namespace quorvel
