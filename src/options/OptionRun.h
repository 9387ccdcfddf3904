#pragma once
// The run a set of options asks for, as quorvel-cli carries it out: the settings the request
// layer reads from them, the engine seeded as --seed says, and what the run is asked besides.

#include <string>

#include "common/SignalParameters.h"
#include "options/Options.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

struct OptionRun {
    SignalParameters parameters;
    SignalSynthesizer synthesizer;
    RunOptions options;
};

// The run o asks for. It never holds a signal whole: a front end that wants the samples hands
// the run a sink of its own. Throws OptionError with the message of the first malformed value.
OptionRun prepareRun(const Options& o);

// What quorvel-cli reports of the files a run could not write and of why it stopped early, one
// line each; empty when every file was written.
std::string fileFailureReport(const GenerationResult& result);

}  // namespace quorvel
