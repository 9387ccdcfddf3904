// Hostile values for every number option of quorvel-cli, and save paths beyond ASCII or beyond a
// field's length: each ends with the control panel's message (exit 2), a refusal with its reason
// (exit 1) or a clean run (exit 0), never anything else.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "options/Options.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;

using Run = testing_support::CliRun;
using testing_support::runCli;

enum class CommandLineBadInputKind { Real, Snr, Integer };

struct Option {
    const char* name;
    CommandLineBadInputKind kind;
    const char* message;
};

const Option kOptions[] = {
    {"--symbol-rate", CommandLineBadInputKind::Real, "Invalid Symbol Rate."},   {"--sampling-rate", CommandLineBadInputKind::Real, "Invalid Sampling Rate."},
    {"--symbols", CommandLineBadInputKind::Integer, "Invalid Number of Symbols."}, {"--snr", CommandLineBadInputKind::Snr, "Invalid SNR."},
    {"--mixing", CommandLineBadInputKind::Real, "Invalid Mixing Freq."},        {"--timing-error", CommandLineBadInputKind::Real, "Invalid Timing Error."},
    {"--freq-offset", CommandLineBadInputKind::Real, "Invalid Freq Offset."},   {"--files", CommandLineBadInputKind::Integer, "Invalid File Count."},
};

// Whether a value passes the option's parsing (true) or gives its message (false), per kind.
struct Value {
    const char* label;
    std::string text;
    bool real;
    bool snr;
    bool integer;
};

const std::vector<Value>& values() {
    static const std::vector<Value> all = {
        {"empty", "", false, false, false},
        {"blanks", "   ", false, false, false},
        {"trailing letters", "12abc", false, false, false},
        {"overflow", "1e999", false, false, false},
        {"negative overflow", "-1e999", false, false, false},
        {"not a number", "nan", false, false, false},
        {"infinity", "inf", false, true, false},
        {"negative infinity", "-inf", false, false, false},
        {"hexadecimal float", "0x1p4", true, true, false},
        {"hexadecimal", "0x10", true, true, false},
        {"2^31", "2147483648", true, true, false},
        {"-2^31 - 1", "-2147483649", true, true, false},
        {"longer than a field", "1" + std::string(300, '0') + ".5e-200", true, true, false},
        {"Arabic-Indic digit (UTF-8)", "\xd9\xa3", false, false, false},
        {"full-width digits (UTF-8)", "\xef\xbc\x91\xef\xbc\x92", false, false, false},
        {"trailing no-break space (UTF-8)", "12\xc2\xa0", false, false, false},
        {"a byte that is no UTF-8", "1\xff", false, false, false},
    };
    return all;
}

bool passes(const Value& v, CommandLineBadInputKind kind) {
    return kind == CommandLineBadInputKind::Real ? v.real : kind == CommandLineBadInputKind::Snr ? v.snr : v.integer;
}

TEST(CommandLineBadInput, EveryOptionGivesItsMessageOrRunsOrRefuses) {
    for (const Option& option : kOptions) {
        for (const Value& v : values()) {
            SCOPED_TRACE(std::string(option.name) + " <- " + v.label);
            TempDir dir;
            std::vector<std::string> args = {"--save-path", dir.str(), "--quiet"};
            // One symbol keeps the runs small: a sampling rate of 2^31 Hz still gives 2 million samples.
            if (std::string(option.name) != "--symbols") {
                args.insert(args.end(), {"--symbols", "1"});
            }
            args.insert(args.end(), {option.name, v.text});
            const bool tooLong = v.text.size() > 255;
            const auto run = runCli(args);
            if (tooLong) {
                EXPECT_EQ(run.code, ExitInvalidInput);
                EXPECT_EQ(run.err, std::string(option.name) + ": at most 255 characters (got " +
                                       std::to_string(v.text.size()) + ").\n");
            } else if (!passes(v, option.kind)) {
                EXPECT_EQ(run.code, ExitInvalidInput);
                // The panel's message, then a line naming the option and the form it takes.
                const std::string form = expectedFormLine(option.message);
                EXPECT_EQ(form.rfind(std::string(option.name) + ": ", 0), 0u) << form;
                EXPECT_EQ(run.err, std::string(option.message) + "\n" + form + "\n");
            } else if (run.code == ExitRefused) {
                EXPECT_EQ(run.err.rfind("Signal generation failed.\n", 0), 0u) << run.err;
                EXPECT_GT(run.err.size(), std::string("Signal generation failed.\n").size() + 10) << "no reason given";
            } else {
                ASSERT_EQ(run.code, ExitSuccess) << run.err;
                const std::string text = readBytes(dir.file("modulated_signal_1.csv"));
                EXPECT_EQ(text.find("nan"), std::string::npos);
                EXPECT_EQ(text.find("inf"), std::string::npos);
            }
            if (run.code != ExitSuccess) {
                EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
            }
        }
    }
}

// Before the limit was enforced a value was read cut at 255 characters, so trailing garbage
// beyond it passed and a 400-digit number became another number.
TEST(CommandLineBadInput, ValuesLongerThanAFieldAreRefusedNotCut) {
    TempDir dir;
    const std::string digits = "1" + std::string(400, '0');
    const std::string garbage = "1000" + std::string(251, ' ') + "x";
    for (const auto& [option, value] :
         std::vector<std::pair<std::string, std::string>>{{"--symbol-rate", digits},
                                                          {"--snr", garbage},
                                                          {"--apsk-radii", std::string(300, '1')}}) {
        std::vector<std::string> args = {"--save-path", dir.str(), "--symbols", "20", option, value};
        if (option == "--apsk-radii") {
            args.insert(args.end(), {"--modulation", "apsk"});
        }
        const auto run = runCli(args);
        EXPECT_EQ(run.code, ExitInvalidInput) << option;
        EXPECT_EQ(run.err.rfind(option + ": at most 255 characters", 0), 0u) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(CommandLineBadInput, SavePathsKeepEveryByteWhateverTheirScriptOrLength) {
    TempDir dir;
    const std::string longFolder = dir.str() + "/" + std::string(200, 'a') + "/" + std::string(200, 'b');
    const std::vector<std::string> folders = {
        dir.str() + "/j\xc3\xb6rg",                  // jörg
        dir.str() + "/\xe6\x97\xa5\xe6\x9c\xac",     // 日本
        dir.str() + "/\xf0\x9f\x98\x80",             // an emoji
        dir.str() + "/with space, comma;semicolon",  //
        longFolder,                                  // beyond the 255 characters of a field
    };
    for (const auto& folder : folders) {
        std::filesystem::create_directories(folder);
        const auto run = runCli({"--save-path", folder, "--symbols", "20"});
        EXPECT_EQ(run.code, ExitSuccess) << folder << ": " << run.err;
        EXPECT_NE(run.out.find("  " + folder + "/modulated_signal_1.csv\n"), std::string::npos) << run.out;
        EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/modulated_signal_1.csv")) << folder;
    }
}

// A folder that cannot take the files is found before the first sample is made, and nothing is
// written: a run of 10^7 symbols here would take seconds.
TEST(CommandLineBadInput, AFolderThatIsNotThereIsRefusedBeforeTheRun) {
    TempDir dir;
    std::ofstream(dir.file("plain")) << "keep me";
    const std::pair<std::string, std::string> cases[] = {
        {dir.str() + "/\xe6\x97\xa5\xe6\x9c\xac", "The folder " + dir.str() + "/\xe6\x97\xa5\xe6\x9c\xac does not exist.\n"},
        {dir.file("plain"), "The save path " + dir.file("plain") + " is not a folder.\n"},
        {dir.file("plain") + "/inside", "The folder " + dir.file("plain") + "/inside does not exist.\n"},
    };
    for (const auto& [folder, said] : cases) {
        const auto run = runCli({"--save-path", folder, "--symbols", "10000000", "--snr", "3"});
        EXPECT_EQ(run.code, ExitFileFailure);
        EXPECT_EQ(run.err, said);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(testing_support::fileNamesIn(dir.path()), std::vector<std::string>{"plain"});
}

// Refused from the parameters alone, so nothing is allocated and nothing written: files of more
// than 10^15 samples, or whose one symbol holds more samples than memory.
TEST(CommandLineBadInput, RequestsBeyondMemoryAreRefusedWithTheirSize) {
    const std::vector<std::vector<std::string>> requests = {
        {"--symbols", "2147483647", "--sampling-rate", "1e9"},
        {"--modulation", "fsk", "--symbols", "1", "--symbol-rate", "1", "--sampling-rate", "1e13"},
        {"--symbols", "2147483647", "--sampling-rate", "1e300"},
        {"--modulation", "gmsk", "--symbols", "2147483647", "--sampling-rate", "1e9"},
    };
    for (auto args : requests) {
        TempDir dir;
        args.insert(args.end(), {"--save-path", dir.str()});
        const auto run = runCli(args);
        EXPECT_EQ(run.code, ExitRefused) << run.err;
        EXPECT_EQ(run.err.rfind("Signal generation failed.\nThe run needs about ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("MiB of memory"), std::string::npos) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

}  // namespace
}  // namespace quorvel
