#include "options/OptionRun.h"

#include "synthesis/RunCheck.h"

#include <sstream>
#include <utility>

namespace quorvel {

OptionRun prepareRun(const Options& given) {
    // The request holds views of the texts, so the length in symbols needs a home of its own.
    Options o = given;
    o.symbols = symbolsText(given);
    SettingsReading reading = readSettings(requestFrom(o), o.savePath);
    if (!reading) {
        const std::string form = expectedFormLine(reading.message);
        throw OptionError{form.empty() ? std::move(reading.message)
                                       : reading.message + "\n" + form};
    }
    reading.parameters->impairments = impairmentsFrom(o.impairments, reading.parameters->samplingRate);
    reading.parameters->integerScale = integerScaleFrom(o, reading.parameters->outputFormat);
    if (o.endless) {
        checkEndlessSettings(*reading.parameters);
        reading.parameters->streamSymbols = endlessSymbolCount(*reading.parameters);
    }
    OptionRun run{std::move(*reading.parameters),
                  o.seed ? SignalSynthesizer::seeded(*o.seed) : SignalSynthesizer(), {}};
    run.options.keepLastSignal = false;
    run.options.syncToDisk = o.fsync;
    run.options.recordBitsDigest = o.transmitter.bitsSha256;
    return run;
}

std::string fileFailureReport(const GenerationResult& result) {
    std::ostringstream report;
    for (const auto& failure : result.fileFailures) {
        report << "Could not write " << failure.path << ": " << failure.reason << '\n';
    }
    if (result.unlistedFailures > 0) {
        report << "... and " << result.unlistedFailures << " more files could not be written\n";
    }
    if (result.stoppedByDisk) {
        report << "Stopped: no later file can be written there.\n";
    }
    if (result.stoppedByMemory) {
        report << "Stopped: memory ran out; no later file was tried.\n";
    }
    if (result.stoppedByPayload) {
        report << "Stopped: no later file was tried; ";
        if (result.writtenFiles.empty()) {
            report << "no file was kept.\n";
        } else {
            // The run's files are numbered in order: the first and last kept name them all.
            report << "kept the " << result.writtenFiles.size() << " sample files finished before it ("
                   << result.writtenFiles.front();
            if (result.writtenFiles.size() > 1) {
                report << " to " << result.writtenFiles.back();
            }
            report << ") and their metadata.\n";
        }
    }
    return report.str();
}

}  // namespace quorvel
