#pragma once
// quorvel-cli --scene: one capture of a scene recipe as a SigMF recording with a box annotation
// per emitter (or dwell).

#include "cli/CommandLine.h"

namespace quorvel {

// Runs `quorvel-cli --scene RECIPE.json ...`; argv[0] is the program. Returns the exit code.
int runSceneCommand(int argc, const char* const* argv, const CommandLineStreams& streams);

}  // namespace quorvel
