#pragma once
// The command line's help and usage errors: help wrapped to the terminal's width, a usage that
// lists every command, and "did you mean" for a mistyped option.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace quorvel {

struct CommandLineStreams;

// Columns the help may use: COLUMNS when it holds a number from 40 up, else the width of the
// terminal on standard output, else 80.
std::size_t terminalColumns();

// text with every line longer than width broken at blanks, continuation lines indented by indent
// blanks; a word longer than a line stays whole.
std::string wrapText(std::string_view text, std::size_t width, std::size_t indent = 0);

// The name among names closest to given by edit distance, when it is close enough to be a typo:
// at most 2 edits, and fewer than a third of given's length.
std::optional<std::string> closestName(std::string_view given,
                                       const std::vector<std::string>& names);

// Gives app help wrapped to width columns and the usage lines usage (one per line, without
// "Usage: "); the footer's example commands (lines indented by two blanks) stay whole.
void formatHelp(CLI::App& app, std::size_t width, std::string usage);

// Parses the arguments into app; on a usage error prints CLI11's message and, for an option it
// does not know that is close to one it does, "did you mean --NAME?". The exit code, or nothing
// when parsing succeeded.
std::optional<int> parseArguments(CLI::App& app, int argc, const char* const* argv,
                                  const CommandLineStreams& streams);

}  // namespace quorvel
