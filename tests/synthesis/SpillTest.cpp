#include <gtest/gtest.h>

#include "export/SampleSpill.h"
#include "support/TempDir.h"
#include "synthesis/FileRun.h"
#include "synthesis/RunCheck.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

struct MadeFile {
    SampleBuffer samples;
    SampleBuffer mapped;
    std::uint32_t engineAfter = 0;  // the engine's next draw once the file is made
};

MadeFile makeFile(const SignalParameters& p, const std::string& spillFolder) {
    MadeFile made;
    MemorySink sink(made.samples);
    const RunOptions options;
    ProgressReport progress(options, 0);
    FileWork work{p, static_cast<std::uint64_t>(samplesPerFile(p)), {&sink}, &made.mapped, options, progress};
    work.stageSeeds = {.fading = 11, .phaseNoise = 12};
    work.spillFolder = spillFolder;
    SymbolEngine engine(77);
    const SeedSource seeds = seededSequence(5);
    EXPECT_EQ(makeStreamedFile(work, engine, seeds), FileEnd::Finished);
    made.engineAfter = engine();
    return made;
}

// A file whose measuring pass sets its samples aside is the file made twice over: its samples,
// its mapper output and where it leaves the engine for the next file.
TEST(Spill, ReadingBackGivesTheFileMadeTwice) {
    TempDir dir;
    ASSERT_NE(SampleSpill::open(dir.str(), 1, 1), nullptr) << "no spill to compare with";
    SignalParameters p;
    p.symbolCount = 30000;  // several spilled blocks
    p.impairments.multipath = {{0.0, 0.0, 0.0}, {2.5, -6.0, 30.0}};
    p.impairments.fading = Fading{FadingModel::Rayleigh, 0.0, 40.0};
    p.impairments.phaseNoise = PhaseNoise{-75.0, 100.0};
    const MadeFile spilled = makeFile(p, dir.str());
    const MadeFile madeTwice = makeFile(p, "");
    ASSERT_EQ(spilled.samples.size(), static_cast<std::size_t>(samplesPerFile(p)));
    EXPECT_TRUE(spilled.samples == madeTwice.samples);
    EXPECT_TRUE(spilled.mapped == madeTwice.mapped);
    EXPECT_EQ(spilled.engineAfter, madeTwice.engineAfter);
}

}  // namespace
}  // namespace quorvel
