#pragma once
// The headless front end: options parsed exactly like the control panel's fields.

#include <atomic>
#include <iosfwd>

namespace quorvel {

// Exit codes of quorvel-cli.
enum ExitCode : int {
    ExitSuccess = 0,
    ExitRefused = 1,       // the pipeline refused the request
    ExitInvalidInput = 2,  // a field did not parse, or an option named something unknown
    ExitFileFailure = 3,   // the signal was generated but some files could not be written,
                           // or the report could not be written to standard output
    // A run cancelled by a signal: 128 + the signal's number, as a shell reports it.
    ExitHangup = 129,      // SIGHUP
    ExitInterrupted = 130, // SIGINT (also when the signal is unknown)
    ExitTerminated = 143,  // SIGTERM
    // The reader of --stdout went away; the process should end as a closed pipe ends it.
    ExitBrokenPipe = 141,
};

// Where quorvel-cli talks to.
struct CommandLineStreams {
    std::ostream& out;            // reports
    std::ostream& err;            // errors, and the progress display
    int sampleDescriptor = 1;     // where --stdout writes the samples
    bool errIsTerminal = false;   // shows the progress display without --progress
    // Set to stop the run at its next block; it keeps the files it finished.
    const std::atomic<bool>* cancel = nullptr;
    // The signal that set cancel (SIGINT, SIGTERM or SIGHUP), 0 or absent when none is known.
    const std::atomic<int>* cancelSignal = nullptr;
};

// Runs quorvel-cli with its arguments. Returns the exit code.
int runCommandLine(int argc, const char* const* argv, const CommandLineStreams& streams);

// The same with samples to descriptor 1 and no terminal.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace quorvel
