#include <unistd.h>

#include <csignal>
#include <iostream>

#include "cli/CommandLine.h"
#include "cli/Interrupts.h"

int main(int argc, char** argv) {
    // A closed pipe must reach the writer as an error, so that the run can stop cleanly first.
    std::signal(SIGPIPE, SIG_IGN);
    const quorvel::InterruptState& interrupts = quorvel::installInterruptHandlers();
    quorvel::CommandLineStreams streams{std::cout, std::cerr, STDOUT_FILENO, ::isatty(STDERR_FILENO) == 1};
    streams.cancel = &interrupts.requested;
    streams.cancelSignal = &interrupts.signal;
    const int code = quorvel::runCommandLine(argc, argv, streams);
    if (code == quorvel::ExitBrokenPipe) {
        // Ended as `yes | head` ends: by the signal, quietly.
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    return code;
}
