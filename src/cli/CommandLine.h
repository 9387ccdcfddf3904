#pragma once
// The headless front end: options parsed exactly like the control panel's fields.

#include <iosfwd>

namespace quorvel {

// Exit codes of quorvel-cli.
enum ExitCode : int {
    ExitSuccess = 0,
    ExitRefused = 1,       // the pipeline refused the request
    ExitInvalidInput = 2,  // a field did not parse, or an option named something unknown
    ExitFileFailure = 3,   // the signal was generated but some files could not be written
};

// Runs quorvel-cli with its arguments; reports go to out, errors to err. Returns the exit code.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace quorvel
