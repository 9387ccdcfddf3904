// The command line's help wrapped to the terminal, its usage naming every command, "did you mean"
// for mistyped options, and the second line that says what form a malformed value takes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "cli/CommandLine.h"
#include "cli/HelpFormat.h"
#include "support/CliRun.h"

namespace quorvel {
namespace {

// The longest line but the examples' commands, which stay whole so that they can be pasted.
std::size_t longestLine(const std::string& text) {
    std::istringstream lines(text);
    std::size_t longest = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  quorvel-cli", 0) != 0 && line.rfind("  mkdir", 0) != 0) {
            longest = std::max(longest, line.size());
        }
    }
    return longest;
}

TEST(WrapText, BreaksAtBlanksIndentsAndKeepsLongWords) {
    EXPECT_EQ(wrapText("alpha beta gamma delta epsilon", 16, 4),
              "alpha beta gamma\n    delta\n    epsilon");
    EXPECT_EQ(wrapText("short\nlines stay", 40), "short\nlines stay");
    EXPECT_EQ(wrapText("abcdefghijklmnop q", 5), "abcdefghijklmnop\nq");
}

TEST(ClosestName, OnlyTyposCloseEnoughAreSuggested) {
    const std::vector<std::string> names = {"--modulation", "--mixing", "--symbols", "--snr",
                                            "--snr-def"};
    EXPECT_EQ(closestName("--modulaton", names), "--modulation");
    EXPECT_EQ(closestName("--symbol", names), "--symbols");
    EXPECT_EQ(closestName("--snr-deff", names), "--snr-def");
    EXPECT_FALSE(closestName("--colour", names));
    EXPECT_FALSE(closestName("--x", names));
}

class HelpWidth : public testing::TestWithParam<int> {};

TEST_P(HelpWidth, EveryLineFitsTheTerminalAndTheUsageNamesEveryCommand) {
    const std::string columns = std::to_string(GetParam());
    ::setenv("COLUMNS", columns.c_str(), 1);
    std::ostringstream out;
    std::ostringstream err;
    const char* args[] = {"quorvel-cli", "--help"};
    EXPECT_EQ(runCommandLine(2, args, out, err), ExitSuccess);
    ::unsetenv("COLUMNS");
    const std::string help = out.str();
    // The longest unbreakable word of the help is shorter than the narrowest width tried.
    EXPECT_LE(longestLine(help), static_cast<std::size_t>(GetParam())) << help;
    EXPECT_NE(help.find("quorvel-cli dataset RECIPE.json"), std::string::npos);
    EXPECT_NE(help.find("quorvel-cli dataset merge DIR"), std::string::npos);
    EXPECT_NE(help.find("--modulation"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Columns, HelpWidth, testing::Values(60, 80, 132));

TEST(CommandLineHints, TyposGetASuggestionAndMalformedValuesTheirForm) {
    const struct {
        std::vector<std::string> args;
        std::string secondLine;
    } cases[] = {
        {{"--modulaton", "qam"}, "did you mean --modulation?"},
        {{"--symbols", "1e6"},
         "--symbols: a whole number from 1 to 2147483647, written without a decimal point or an "
         "exponent (1000000, not "
         "1e6)"},
        {{"--snr", "loud"}, "--snr: a number of dB, such as 20 or -3.5, or inf for no noise"},
    };
    for (const auto& c : cases) {
        const auto run = testing_support::runCli(c.args);
        EXPECT_EQ(run.code, ExitInvalidInput);
        EXPECT_NE(run.err.find("\n" + c.secondLine + "\n"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace quorvel
