// The command line's edges: empty values, a report that cannot be written, and --from given a
// file that is no regular file, settings no run could have, or its own folder to write into.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "support/CliRun.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::runCli;
using testing_support::sameBytes;
using testing_support::TempDir;

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// CLI11 reads an empty --seed as no seed at all, and an empty folder put before a file name is
// the root of the file system. --symbols 0 keeps a run that slips through from writing anything.
TEST(CommandLineEdges, EmptyValuesAreRefusedNamingTheOption) {
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"--save-path", ""},
        {"--seed", "", "--save-path", dir.str()},
        {"--from", "", "--save-path", dir.str()},
        {"--stdout", "--metadata", "", "--save-path", dir.str()},
    };
    for (auto args : cases) {
        const std::string option = args[0] == "--stdout" ? "--metadata" : args[0];
        args.insert(args.end(), {"--symbols", "0"});
        if (option == "--from") {
            args.resize(4);  // --from takes no setting
        }
        const auto run = runCli(args);
        EXPECT_EQ(run.code, ExitInvalidInput) << option << ": " << run.err;
        EXPECT_EQ(run.err.rfind(option + ": an empty value", 0), 0u) << run.err;
        EXPECT_EQ(lines(run.err), 1u) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// A stream buffer that fails every write as a full disk does.
class FullDevice : public std::streambuf {
protected:
    int_type overflow(int_type) override {
        errno = ENOSPC;
        return traits_type::eof();
    }
    std::streamsize xsputn(const char*, std::streamsize) override {
        errno = ENOSPC;
        return 0;
    }
};

TEST(CommandLineEdges, AReportThatCannotBeWrittenFailsTheRun) {
    TempDir original;
    ASSERT_EQ(runCli({"--save-path", original.str(), "--symbols", "10", "--seed", "4", "--quiet"}).code, ExitSuccess);
    TempDir again;
    const std::vector<std::vector<std::string>> cases = {
        {"--save-path", again.str(), "--symbols", "10"},
        {"--from", original.file("modulated_signal_1.sigmf-meta"), "--save-path", again.str()},
    };
    for (auto args : cases) {
        args.insert(args.begin(), "quorvel-cli");
        std::vector<const char*> argv;
        for (const auto& a : args) {
            argv.push_back(a.c_str());
        }
        FullDevice device;
        std::ostream out(&device);
        std::ostringstream err;
        const int code = runCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
        EXPECT_EQ(code, ExitFileFailure) << args[1];
        EXPECT_EQ(err.str(), "Could not write the report to standard output: No space left on device\n");
        // The files themselves were written.
        EXPECT_TRUE(std::filesystem::exists(again.file("modulated_signal_1.sigmf-meta")));
        std::filesystem::remove_all(again.path());
        std::filesystem::create_directory(again.path());
    }
}

// A FIFO with no writer would block the reading forever; a folder or a device is no recording.
TEST(CommandLineEdges, FromReadsOnlyRegularFiles) {
    TempDir dir;
    TempDir target;
    const std::string fifo = dir.file("pipe.sigmf-meta");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.str(), std::string("/dev/null")}) {
        const auto run = runCli({"--from", path, "--save-path", target.str()});
        EXPECT_EQ(run.code, ExitInvalidInput) << path;
        EXPECT_EQ(run.err, "cannot regenerate: " + path + " is not a regular file\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(target.path()));
}

using Json = nlohmann::json;

// The metadata of a small seeded run, to be edited into recordings no run could have made.
Json seededRecording(const TempDir& dir, const std::vector<std::string>& settings) {
    std::vector<std::string> args = {"--save-path", dir.str(), "--symbols", "50", "--seed", "12", "--quiet"};
    args.insert(args.end(), settings.begin(), settings.end());
    EXPECT_EQ(runCli(args).code, ExitSuccess);
    return Json::parse(readBytes(dir.file("modulated_signal_1.sigmf-meta")));
}

struct RecordedCase {
    const char* name;
    std::vector<std::string> settings;  // of the run whose metadata is edited
    const char* key;                    // the field of "global" that is replaced
    Json value;
    int code;
    std::string message;  // what the error output starts with
};

// A recording is held to the rules of a fresh run: the orders and radii the options offer, and
// the run check's ranges; and file K is refused when reaching it means replaying hours of symbols.
TEST(CommandLineEdges, FromRefusesSettingsNoRunCouldHaveBeenGiven) {
    const RecordedCase cases[] = {
        {"PskOrder7", {}, "quorvel:psk_order", 7, ExitInvalidInput,
         "cannot regenerate: psk offers the orders 2, 4, 8, 16, 32, 64 (the recording has 7)\n"},
        {"QamOrder8", {"--modulation", "qam"}, "quorvel:qam_order", 8, ExitInvalidInput,
         "cannot regenerate: qam offers the orders"},
        {"OrderOfAnotherScheme", {}, "quorvel:fsk_order", 4, ExitInvalidInput,
         "cannot regenerate: \"quorvel:fsk_order\" is 4 but the scheme is psk"},
        {"RadiiWithoutApsk", {}, "quorvel:apsk_radii", "0.5 1.5", ExitInvalidInput,
         "cannot regenerate: only APSK has ring radii"},
        {"RadiiLongerThanAField", {"--modulation", "apsk"}, "quorvel:apsk_radii", std::string(300, '1'),
         ExitInvalidInput, "cannot regenerate: \"quorvel:apsk_radii\" holds more than 255"},
        {"TimingError", {}, "quorvel:timing_error", 3.0, ExitRefused,
         "Signal generation failed.\nThe timing error must lie between -1 and 1"},
        {"NoSymbols", {}, "quorvel:symbol_count", 0, ExitRefused,
         "Signal generation failed.\nThe number of symbols must be at least 1"},
        {"LongReplay", {"--files", "20"}, "quorvel:symbol_count", 2000000000, ExitInvalidInput,
         "cannot regenerate: file 20 would first replay the 3.8e+10 symbols"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Json meta = seededRecording(dir, c.settings);
        meta["global"][c.key] = c.value;
        if (std::string(c.name) == "LongReplay") {
            // Only a recording seeded in one sequence over the run (0.1.0's) replays the files
            // before it: here 19 files of 2*10^9 symbols.
            meta["global"]["quorvel:file_number"] = 20;
            meta["global"].erase("quorvel:seed_derivation");
        }
        const std::string path = dir.file("edited.sigmf-meta");
        std::ofstream(path, std::ios::binary) << meta.dump();
        TempDir target;
        const auto run = runCli({"--from", path, "--save-path", target.str()});
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(target.path()));
    }
}

// The last file a run can have is made alone: the file counter must not wrap past it into
// negative file numbers, each made in turn.
TEST(CommandLineEdges, FromMakesTheLastPossibleFileAndNothingElse) {
    TempDir dir;
    Json meta = seededRecording(dir, {});
    meta["global"]["quorvel:file_number"] = 2147483647;
    meta["global"]["quorvel:file_count"] = 2147483647;
    const std::string path = dir.file("last.sigmf-meta");
    std::ofstream(path, std::ios::binary) << meta.dump();
    TempDir target;
    const auto run = runCli({"--from", path, "--save-path", target.str(), "--quiet"});
    EXPECT_EQ(run.code, ExitSuccess) << run.err;
    EXPECT_EQ(testing_support::fileNamesIn(target.path()),
              (std::vector<std::string>{"modulated_signal_2147483647.csv", "modulated_signal_2147483647.sigmf-meta"}));
}

// A bits file of another size than the recording's would give other samples under its name.
TEST(CommandLineEdges, FromRefusesABitsFileOfAnotherSize) {
    TempDir dir;
    const std::string bits = dir.file("payload.bin");
    std::ofstream(bits, std::ios::binary) << "QUORVEL";
    const std::string made = dir.file("made");
    std::filesystem::create_directory(made);
    const auto first = runCli({"--save-path", made, "--seed", "3", "--symbols", "40", "--bits", bits, "--quiet"});
    ASSERT_EQ(first.code, ExitSuccess) << first.err;
    const std::string meta = made + "/modulated_signal_1.sigmf-meta";
    const struct {
        std::string content;  // of the bits file at regeneration; empty: removed
        int code;
        std::string message;
    } cases[] = {
        {"QUORVEL", ExitSuccess, ""},
        {"quorvel", ExitSuccess, ""},  // the size alone is recorded
        {"QUORVEL!", ExitInvalidInput, "cannot regenerate: the bits file " + bits + " holds 8 bytes, not the recording's 7\n"},
        {"", ExitInvalidInput, "cannot regenerate: the bits file " + bits + ": No such file or directory\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(bits);
        if (!c.content.empty()) {
            std::ofstream(bits, std::ios::binary) << c.content;
        }
        TempDir target;
        // The bits file lies beside the recording's folder, not in it.
        const auto run = runCli({"--from", meta, "--save-path", target.str(), "--quiet", "--trust-payload-path"});
        EXPECT_EQ(run.code, c.code) << run.err;
        if (c.code != ExitSuccess) {
            EXPECT_EQ(run.err, c.message);
            EXPECT_TRUE(std::filesystem::is_empty(target.path()));
        } else {
            EXPECT_NE(readBytes(target.file("modulated_signal_1.sigmf-meta")).find("\"quorvel:bits_file_bytes\": 7"),
                      std::string::npos);
        }
    }
}

// Recorded text reaches the terminal with its control characters escaped.
TEST(CommandLineEdges, FromEscapesControlCharactersOfRecordedText) {
    const struct {
        const char* key;
        std::string value;
        int code;
        std::string shown;
    } cases[] = {
        {"quorvel:program_version", "0.1.0\x1b[2J", ExitSuccess, "Quorvel 0.1.0\\x1b[2J, this is"},
        {"quorvel:modulation", "psk\x1b]0;title\x07\xc2\x9b", ExitInvalidInput,
         "(\"psk\\x1b]0;title\\x07\\xc2\\x9b\")"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        Json meta = seededRecording(dir, {});
        meta["global"][c.key] = c.value;
        const std::string path = dir.file("edited.sigmf-meta");
        std::ofstream(path, std::ios::binary) << meta.dump();
        TempDir target;
        const auto run = runCli({"--from", path, "--save-path", target.str(), "--quiet"});
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.shown), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
        EXPECT_EQ(run.err.find('\x07'), std::string::npos);
        EXPECT_EQ(run.err.find("\xc2\x9b"), std::string::npos);
    }
}

// Regenerating into the recording's own folder would replace the file being read (here its
// version differs, so the bytes would change), however the folder is spelled.
TEST(CommandLineEdges, FromRefusesToWriteIntoTheRecordingsOwnFolder) {
    TempDir dir;
    Json meta = seededRecording(dir, {"--format", "both"});
    meta["global"]["quorvel:program_version"] = "0.0.9";
    const std::string path = dir.file("modulated_signal_1.sigmf-meta");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << meta.dump();
    const std::string before = readBytes(path);
    const std::string name = dir.path().filename().string();
    for (const std::string& folder : {dir.str(), dir.str() + "/.", dir.str() + "/../" + name}) {
        const auto run = runCli({"--from", path, "--save-path", folder});
        EXPECT_EQ(run.code, ExitInvalidInput) << folder << ": " << run.err;
        EXPECT_EQ(run.err, "cannot regenerate: " + folder +
                               " is the recording's own folder, whose files would be replaced; choose another "
                               "--save-path\n");
    }
    EXPECT_TRUE(sameBytes(readBytes(path), before));
}

}  // namespace
}  // namespace quorvel
