// A file under its final name is always whole: links planted under the names, an earlier file of
// the same name, a second run into the folder, what a killed run left, a disk too small.

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "export/OutputFolder.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

constexpr std::uint32_t kWholeFilesSeed = 99;

SignalParameters runInto(const std::string& folder, OutputFormat format = OutputFormat::Both) {
    SignalParameters p;
    p.symbolCount = 2000;
    p.savePath = folder;
    p.outputFormat = format;
    return p;
}

std::vector<std::string> wholeFilesNamesIn(const fs::path& folder) {
    return testing_support::fileNamesIn(folder);
}

TEST(WholeFiles, PlantedLinksAreReplacedNeverWrittenThrough) {
    TempDir clean;
    SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(clean.str()));
    TempDir outside;
    std::ofstream(outside.file("victim")) << "keep";
    TempDir dir;
    fs::create_symlink(outside.file("victim"), dir.path() / "modulated_signal_1.csv");
    fs::create_symlink(outside.file("victim"), dir.path() / "modulated_signal_1.sigmf-data");
    fs::create_symlink(outside.file("elsewhere"), dir.path() / "modulated_signal_1.sigmf-meta");
    const auto result = SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(dir.str()));
    EXPECT_TRUE(result.fileFailures.empty());
    EXPECT_TRUE(sameBytes(readBytes(outside.file("victim")), "keep"));
    EXPECT_FALSE(fs::exists(outside.file("elsewhere")));
    for (const auto& name : wholeFilesNamesIn(clean.path())) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.path() / name))) << name;
        if (name.find("meta") == std::string::npos) {
            EXPECT_TRUE(sameBytes(readBytes(dir.file(name)), readBytes(clean.file(name)))) << name;
        }
    }
}

// A run stopped before its file is whole leaves the earlier file of that name as it was.
TEST(WholeFiles, AnEarlierFileStaysUntilItsReplacementIsWhole) {
    TempDir dir;
    std::ofstream(dir.file("modulated_signal_1.csv")) << "the earlier recording";
    std::atomic<bool> cancel{true};
    RunOptions options;
    options.cancel = &cancel;
    const auto result = SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(dir.str(), OutputFormat::Csv), options);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(readBytes(dir.file("modulated_signal_1.csv")), "the earlier recording");
    EXPECT_EQ(wholeFilesNamesIn(dir.path()), std::vector<std::string>{"modulated_signal_1.csv"});
}

TEST(WholeFiles, ASecondRunIntoTheFolderIsRefusedAtOnce) {
    TempDir dir;
    const FolderLock first(dir.str());
    ASSERT_TRUE(first.held());
    const auto result = SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(dir.str()));
    EXPECT_TRUE(result.folderBusy);
    EXPECT_EQ(result.refusal, "another run is writing into " + dir.str());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Only the temporary files of a killed run go; a user's own hidden files stay.
TEST(WholeFiles, WhatAKilledRunLeftIsRemovedByTheNextRun) {
    TempDir dir;
    std::ofstream(dir.file(".modulated_signal_3.csv.quorvel-partial-0000abcd")) << "half";
    std::ofstream(dir.file(".keep")) << "mine";
    SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(dir.str(), OutputFormat::Cf32));
    const std::vector<std::string> expected = {".keep", "modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta"};
    EXPECT_EQ(wholeFilesNamesIn(dir.path()), expected);
}

// A file system of 1 MiB cannot take 10^6 samples of CSV: refused before any file exists.
TEST(WholeFiles, ARunThatCannotFitTheDiskIsRefused) {
    TempDir dir;
    const fs::path small = dir.path() / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    }
    SignalParameters p = runInto(small.string(), OutputFormat::Csv);
    p.symbolCount = 100000;
    const auto result = SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(p);
    const bool empty = fs::is_empty(small);
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(result.refusal.rfind("The run writes about 21 MB but only 1 MB are free in ", 0), 0u) << result.refusal;
    EXPECT_TRUE(empty);
}

// Flushed to the disk, the files are the same files; a folder named without a slash works too.
TEST(WholeFiles, FlushedFilesAreTheSameFiles) {
    TempDir plain;
    TempDir flushed;
    SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto(plain.str()));
    const auto here = fs::current_path();
    fs::current_path(flushed.path());
    RunOptions options;
    options.syncToDisk = true;
    const auto result = SignalSynthesizer::seeded(kWholeFilesSeed).generateSignal(runInto("."), options);
    fs::current_path(here);
    EXPECT_TRUE(result.fileFailures.empty());
    ASSERT_EQ(wholeFilesNamesIn(plain.path()), wholeFilesNamesIn(flushed.path()));
    for (const auto& name : wholeFilesNamesIn(plain.path())) {
        if (name.find("meta") == std::string::npos) {
            EXPECT_TRUE(sameBytes(readBytes(plain.file(name)), readBytes(flushed.file(name))))
                << name;
        }
    }
}

}  // namespace
}  // namespace quorvel
