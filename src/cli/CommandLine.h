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
    // The reader of --stdout went away; the process should end as a closed pipe ends it.
    ExitBrokenPipe = 141,
};

// Where quorvel-cli talks to.
struct CommandLineStreams {
    std::ostream& out;            // reports
    std::ostream& err;            // errors, and the progress display
    int sampleDescriptor = 1;     // where --stdout writes the samples
    bool errIsTerminal = false;   // shows the progress display without --progress
};

// Runs quorvel-cli with its arguments. Returns the exit code.
int runCommandLine(int argc, const char* const* argv, const CommandLineStreams& streams);

// The same with samples to descriptor 1 and no terminal.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace quorvel
