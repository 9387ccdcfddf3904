#pragma once
// quorvel-cli dataset: labelled datasets from a recipe file, whole or one shard at a time, and
// the merge of a folder's shards.

#include "cli/CommandLine.h"

namespace quorvel {

// Runs `quorvel-cli dataset ...`; argv[0] is "dataset". Returns the exit code.
int runDatasetCommand(int argc, const char* const* argv, const CommandLineStreams& streams);

}  // namespace quorvel
