#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>
#include <system_error>
#include <exception>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include "cli/DatasetCommand.h"
#include "cli/SceneCommand.h"
#include "cli/HelpFormat.h"
#include "cli/ProgressDisplay.h"
#include "common/FileDigest.h"
#include "common/NumberText.h"
#include "common/PrintableText.h"
#include "common/Version.h"
#include "export/Cf32Sink.h"
#include "export/CsvSink.h"
#include "export/IntegerSamples.h"
#include "export/SigmfMetadata.h"
#include "export/SigmfRecordReader.h"
#include "export/PacedSink.h"
#include "export/ZmqPublisher.h"
#include "modulation/SymbolTiming.h"
#include "options/OptionRun.h"
#include "options/Options.h"
#include "request/Messages.h"
#include "request/RecordedSettings.h"
#include "synthesis/NoiseReference.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

// Regenerating file K of a recording seeded in one sequence (Quorvel 0.1.0) first draws the
// symbols of the K - 1 files before it; beyond this many symbols that replay alone would take hours.
constexpr double kMaxReplayedSymbols = 1e10;

// Writes the report to standard output; a report that cannot be written fails the run.
bool writeReport(const std::string& report, std::ostream& out, std::ostream& err) {
    errno = 0;
    out << report << std::flush;
    if (out) {
        return true;
    }
    const int error = errno;
    err << "Could not write the report to standard output: "
        << (error != 0 ? std::generic_category().message(error) : std::string("the stream failed")) << '\n';
    return false;
}

// Ends a run that a signal cancelled: says what it kept, and exits as a shell reports the signal.
int reportInterrupted(const GenerationResult& result, const CommandLineStreams& streams) {
    std::ostream& err = streams.err;
    for (const auto& failure : result.fileFailures) {
        err << "Could not write " << failure.path << ": " << failure.reason << '\n';
    }
    std::vector<std::string> kept = result.writtenFiles;
    kept.insert(kept.end(), result.metadataFiles.begin(), result.metadataFiles.end());
    if (kept.empty()) {
        err << "Interrupted: no file was finished\n";
    } else {
        // Sample files and metadata files counted apart: a file number makes one of each (or two
        // sample files), and "kept 2 files" for one recording misleads.
        const auto count = [](std::size_t n, const char* what) {
            return std::to_string(n) + " " + what + (n == 1 ? " file" : " files");
        };
        err << "Interrupted: kept " << count(result.writtenFiles.size(), "sample");
        if (!result.metadataFiles.empty()) {
            err << " and " << count(result.metadataFiles.size(), "metadata");
        }
        err << ':';
        for (std::size_t k = 0; k < kept.size(); ++k) {
            err << (k == 0 ? " " : ", ") << kept[k];
        }
        err << '\n';
    }
    const int signal = streams.cancelSignal != nullptr ? streams.cancelSignal->load() : 0;
    switch (signal) {
        case SIGHUP: return ExitHangup;
        case SIGTERM: return ExitTerminated;
        default: return ExitInterrupted;
    }
}

// Shows the run's progress on standard error when asked for, or when that is a terminal; an
// endless stream has no share done to show.
struct ProgressHook {
    ProgressHook(const Options& o, const CommandLineStreams& streams, RunOptions& options)
        : display(streams.err, streams.errIsTerminal) {
        if (!o.quiet && !o.endless && (o.progress || streams.errIsTerminal)) {
            options.progress = [this](const RunProgress& progress) { display.update(progress); };
        }
    }
    ~ProgressHook() { display.finish(); }
    ProgressHook(const ProgressHook&) = delete;
    ProgressHook& operator=(const ProgressHook&) = delete;

    ProgressDisplay display;
};

// The sample files a run writes per file number; each also gets a metadata file.
std::size_t sampleFilesPerNumber(OutputFormat format) {
    return (writesCsv(format) ? 1u : 0u) + (writesSigmfData(format) ? 1u : 0u);
}

std::string successReport(const GenerationResult& result, const SignalParameters& p) {
    std::ostringstream out;
    const auto written = result.writtenFiles.size();
    const auto requested = static_cast<std::size_t>(p.fileCount) * sampleFilesPerNumber(p.outputFormat);
    out << "Wrote ";
    if (written != requested) {
        out << written << " of ";
    }
    out << requested << (requested == 1 ? " file" : " files") << " of " << result.samplesPerFile
        << " samples (" << p.symbolCount << " symbols, sampling rate " << p.samplingRate
        << " Hz), each with its .sigmf-meta file:\n";
    for (const auto& path : result.writtenFiles) {
        out << "  " << path << '\n';
    }
    return out.str();
}

int finishRun(const GenerationResult& result, std::ostream& err) {
    // Clipping changes the signal, so it is told even to a quiet run.
    if (result.clippedSamples > 0 && result.lastRecord) {
        err << "Warning: " << result.clippedSamples << " samples clipped at full scale (amplitude "
            << numberText(result.lastRecord->fullScale) << ", --scale " << numberText(result.lastRecord->parameters.integerScale)
            << "); a larger --scale gives them room.\n";
    }
    err << fileFailureReport(result);
    return result.fileFailures.empty() ? ExitSuccess : ExitFileFailure;
}

// Whether the folder written to is the one the recording lies in, whose files it would replace.
bool isRecordingFolder(const std::string& savePath, const std::string& metadataPath) {
    std::filesystem::path folder = std::filesystem::path(metadataPath).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    return std::filesystem::equivalent(savePath, folder, error) && !error;
}

// Where the bits file a recording names is read from. A recording that names it with its digest
// names it from its own folder; an earlier one as it was given, from the folder its run began in.
std::string bitsFileToRead(const RecordingRecord& record, const std::string& metadataPath) {
    const std::string& named = record.parameters.transmitter.bitsFile;
    if (!record.bitsFileDigest || std::filesystem::path(named).is_absolute()) {
        return named;
    }
    return (std::filesystem::path(metadataPath).parent_path() / named).string();
}

// Whether path, its links followed, lies inside the folder of the recording at metadataPath: a
// recording from elsewhere could otherwise make the run read any file the user may read.
bool insideRecordingFolder(const std::string& path, const std::string& metadataPath) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path parent = fs::path(metadataPath).parent_path();
    const fs::path folder = fs::canonical(parent.empty() ? fs::path(".") : parent, error);
    if (error) {
        return false;
    }
    const fs::path file = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) {
        return false;
    }
    const fs::path inside = file.lexically_relative(folder);
    return !inside.empty() && *inside.begin() != ".." && inside != ".";
}

// Why the bits file the recording names is not the one it was made from, as far as its size and
// its digest tell; nothing when it matches or the recording recorded neither.
std::optional<std::string> bitsFileProblem(const RecordingRecord& record) {
    const Transmitter& t = record.parameters.transmitter;
    if (t.bits != BitSource::File || (!record.bitsFileBytes && !record.bitsFileDigest)) {
        return std::nullopt;
    }
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(t.bitsFile, error);
    if (error) {
        return "the bits file " + t.bitsFile + ": " + error.message();
    }
    if (record.bitsFileBytes && bytes != *record.bitsFileBytes) {
        return "the bits file " + t.bitsFile + " holds " + std::to_string(bytes) + " bytes, not the recording's " +
               std::to_string(*record.bitsFileBytes);
    }
    if (record.bitsFileDigest) {
        try {
            if (fileDigest(t.bitsFile, DigestKind::Sha256) != record.bitsFileDigest->sha256) {
                return "the bits file " + t.bitsFile + " is not the recording's (another SHA-256)";
            }
        } catch (const std::runtime_error& e) {
            return "the bits file " + std::string(e.what());
        }
    }
    return std::nullopt;
}

// Why the message file the recording names is not the one it was made from (its size or SHA-256
// differ, or it is gone); nothing when it matches or the recording recorded none.
std::optional<std::string> messageFileProblem(const RecordingRecord& record) {
    if (!record.messageFile) {
        return std::nullopt;
    }
    const std::string& path = record.parameters.analogMessage;
    const std::string shown = printableText(path, 256);
    std::string problem;
    const auto found = messageFileIdentity(path, &problem);
    if (!found) {
        return problem;
    }
    if (found->bytes != record.messageFile->bytes) {
        return "the message file " + shown + " holds " + std::to_string(found->bytes) + " bytes, not the recording's " +
               std::to_string(record.messageFile->bytes);
    }
    if (found->sha256 != record.messageFile->sha256) {
        return "the message file " + shown + " has changed since the recording (its SHA-256 differs)";
    }
    return std::nullopt;
}

// Makes the file a metadata file describes again, from its recorded settings and seed.
int regenerate(const Options& o, const CommandLineStreams& streams) {
    std::ostream& out = streams.out;
    std::ostream& err = streams.err;
    const auto reading = readRecordingRecordFile(*o.from);
    if (!reading) {
        err << "cannot regenerate: " << printableText(reading.problem) << '\n';
        return ExitInvalidInput;
    }
    RecordingRecord record = *reading.record;
    if (!record.seed) {
        err << "cannot regenerate: the recording was made without --seed, so its random values cannot be "
               "drawn again\n";
        return ExitInvalidInput;
    }
    if (const auto problem = recordedSettingsProblem(record.parameters)) {
        err << "cannot regenerate: " << printableText(*problem) << '\n';
        return ExitInvalidInput;
    }
    const double replayed =
        record.seedsPerFile ? 0.0 : static_cast<double>(record.fileNumber - 1) * record.parameters.symbolCount;
    if (replayed > kMaxReplayedSymbols) {
        std::ostringstream why;
        why << "cannot regenerate: file " << record.fileNumber << " would first replay the " << replayed
            << " symbols of the files before it (at most " << kMaxReplayedSymbols << ")\n";
        err << why.str();
        return ExitInvalidInput;
    }
    if (record.parameters.transmitter.bits == BitSource::File) {
        record.parameters.transmitter.bitsFile = bitsFileToRead(record, *o.from);
        if (!o.trustPayloadPath && !insideRecordingFolder(record.parameters.transmitter.bitsFile, *o.from)) {
            err << "cannot regenerate: the bits file " << printableText(record.parameters.transmitter.bitsFile, 1024)
                << " lies outside the recording's folder; --trust-payload-path reads it there\n";
            return ExitInvalidInput;
        }
    }
    // Another file under the recorded name would give other samples under the recording's name.
    if (const auto problem = bitsFileProblem(record)) {
        err << "cannot regenerate: " << printableText(*problem) << '\n';
        return ExitInvalidInput;
    }
    if (const auto problem = messageFileProblem(record)) {
        err << "cannot regenerate: " << *problem << '\n';
        return ExitInvalidInput;
    }
    if (isRecordingFolder(o.savePath, *o.from)) {
        err << "cannot regenerate: " << printableText(o.savePath)
            << " is the recording's own folder, whose files would be replaced; choose another "
               "--save-path\n";
        return ExitInvalidInput;
    }
    // The rules of a fresh run, for the folder written to as well as for the recorded one.
    SignalParameters written = record.parameters;
    written.savePath = o.savePath;
    if (const auto reason = findRefusal(written, availableMemoryBytes(), false)) {
        err << message::GenerationFailed << '\n' << printableText(*reason) << '\n';
        return ExitRefused;
    }
    if (record.programVersion != kProgramVersion) {
        err << "note: the recording was made by Quorvel " << printableText(record.programVersion)
            << ", this is " << kProgramVersion << "; the samples may differ\n";
    } else if (!record.seedsPerFile) {
        err << "note: the recording names no seed derivation, as those of Quorvel 0.1.0: its seeds are drawn "
               "again in one sequence over the files before it\n";
    }
    const auto synthesizer = record.seedsPerFile ? SignalSynthesizer::seeded(*record.seed)
                                                 : SignalSynthesizer::seededInSequence(*record.seed);
    RunOptions options;
    options.keepLastSignal = false;
    options.syncToDisk = o.fsync;
    options.cancel = streams.cancel;
    options.recordBitsDigest = record.bitsFileDigest.has_value();
    GenerationResult result;
    {
        const ProgressHook progress(o, streams, options);
        result = synthesizer.regenerateFile(record.parameters, record.fileNumber, o.savePath, options);
    }
    if (result.folderBusy || result.folderMissing) {
        err << result.refusal << '\n';
        return ExitFileFailure;
    }
    if (result.refused()) {
        err << message::GenerationFailed << '\n' << printableText(result.refusal) << '\n';
        return ExitRefused;
    }
    if (result.cancelled) {
        return reportInterrupted(result, streams);
    }
    const int code = finishRun(result, err);
    if (!o.quiet) {
        std::ostringstream report;
        report << "Regenerated file " << record.fileNumber << " of " << record.parameters.fileCount << " (seed "
               << *record.seed << "):\n";
        for (const auto& path : result.writtenFiles) {
            report << "  " << path << '\n';
        }
        for (const auto& path : result.metadataFiles) {
            report << "  " << path << '\n';
        }
        if (!writeReport(report.str(), out, err)) {
            return ExitFileFailure;
        }
    }
    return code;
}

// The sink --stdout writes the samples to, in the one format asked for.
std::unique_ptr<SampleSink> standardOutputSink(const Options& o, const SignalParameters& p, int descriptor) {
    if (p.outputFormat == OutputFormat::Both) {
        throw OptionError{"--stdout: one format only (csv, cf32, ci16, ci8 or cu8), not both."};
    }
    if (p.fileCount != 1) {
        throw OptionError{"--stdout: one file only (got --files " + o.files + ")."};
    }
    ByteOutput output = ByteOutput::toDescriptor(descriptor, "standard output");
    if (p.outputFormat == OutputFormat::Csv) {
        return std::make_unique<CsvSink>(std::move(output), CsvSink::defaultWorkers());
    }
    if (isIntegerFormat(p.outputFormat)) {
        return std::make_unique<IntegerSink>(std::move(output), p.outputFormat, integerFullScale(p));
    }
    return std::make_unique<Cf32Sink>(std::move(output));
}

// The sink --zmq publishes the samples on, bound before the run starts.
std::unique_ptr<SampleSink> zmqSink(const Options& o, const SignalParameters& p, const std::atomic<bool>* cancel) {
    if (!writesSigmfData(p.outputFormat) || p.outputFormat == OutputFormat::Both) {
        throw OptionError{"--zmq: a binary format (cf32, ci16, ci8 or cu8), not csv or both."};
    }
    if (p.fileCount != 1) {
        throw OptionError{"--zmq: one file only (got --files " + o.files + ")."};
    }
    auto publisher = std::make_unique<ZmqPublisher>(*o.zmq, p.outputFormat,
                                                    isIntegerFormat(p.outputFormat) ? integerFullScale(p) : 1.0, cancel);
    if (publisher->problem()) {
        throw OptionError{"--zmq: cannot bind " + printableText(*o.zmq, 80) + ": " + *publisher->problem()};
    }
    return publisher;
}

// Clipping changes the signal, so a stream that ended without a record of its own (an endless
// one stopped, a pipe closed) still tells how often it clipped.
void reportStreamClipping(const SampleSink& sink, const SignalParameters& p, std::ostream& err) {
    if (sink.clippedSamples() > 0 && isIntegerFormat(p.outputFormat)) {
        err << "Warning: " << sink.clippedSamples() << " samples clipped at full scale (amplitude "
            << numberText(integerFullScale(p)) << ", --scale " << numberText(integerScaleOf(p))
            << "); a larger --scale gives them room.\n";
    }
}

// A closed pipe ends the run quietly; any other failure of standard output is reported.
int finishStreamedRun(const Options& o, const GenerationResult& result, const SignalParameters& p,
                      const SampleSink& stream, std::ostream& err) {
    const std::string brokenPipe = std::generic_category().message(EPIPE);
    for (const auto& failure : result.fileFailures) {
        if (result.streamFailed && failure.reason == brokenPipe) {
            reportStreamClipping(stream, p, err);
            return ExitBrokenPipe;
        }
    }
    if (!o.quiet && result.fileFailures.empty()) {
        err << "Wrote " << result.samplesPerFile << " samples (" << p.symbolCount << " symbols, sampling rate "
            << p.samplingRate << " Hz) to " << stream.name();
        if (!result.metadataFiles.empty()) {
            err << ", metadata in " << result.metadataFiles.front();
        }
        err << '\n';
    }
    return finishRun(result, err);
}

int generate(const Options& o, const CommandLineStreams& streams) {
    if (o.from) {
        return regenerate(o, streams);
    }
    std::ostream& err = streams.err;
    OptionRun run = prepareRun(o);
    const SignalParameters& p = run.parameters;
    if (!o.quiet && symbolRateDiffers(p)) {
        err << symbolRateWarning(p) << '\n';
    }
    RunOptions& options = run.options;
    options.cancel = streams.cancel;
    std::unique_ptr<SampleSink> stream;
    std::unique_ptr<PacedSink> paced;
    if (o.toStdout) {
        stream = standardOutputSink(o, p, streams.sampleDescriptor);
        options.metadataPath = o.metadata;
    } else if (o.zmq) {
        stream = zmqSink(o, p, streams.cancel);
    }
    if (stream) {
        options.sampleStream = stream.get();
    }
    if (stream && o.rateLimit) {
        paced = std::make_unique<PacedSink>(*stream, p.samplingRate, streams.cancel);
        options.sampleStream = paced.get();
    }
    GenerationResult result;
    {
        const ProgressHook progress(o, streams, options);
        result = run.synthesizer.generateSignal(p, options);
    }
    if (result.folderBusy || result.folderMissing) {
        err << result.refusal << '\n';
        return ExitFileFailure;
    }
    if (result.refused()) {
        err << message::GenerationFailed << '\n' << result.refusal << '\n';
        return ExitRefused;
    }
    if (result.cancelled) {
        if (stream) {
            reportStreamClipping(*stream, p, err);
        }
        return reportInterrupted(result, streams);
    }
    if (stream) {
        return finishStreamedRun(o, result, p, *stream, err);
    }
    const int code = finishRun(result, err);
    if (!o.quiet && !writeReport(successReport(result, p), streams.out, err)) {
        return ExitFileFailure;
    }
    return code;
}

}  // namespace

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return runCommandLine(argc, argv, CommandLineStreams{out, err});
}

int runCommandLine(int argc, const char* const* argv, const CommandLineStreams& streams) {
    if (argc >= 2 && std::string_view(argv[1]) == "dataset") {
        return runDatasetCommand(argc - 1, argv + 1, streams);
    }
    for (int k = 1; k < argc; ++k) {
        const std::string_view word = argv[k];
        if (word == "--scene" || word.starts_with("--scene=")) {
            return runSceneCommand(argc, argv, streams);
        }
    }
    std::ostream& err = streams.err;
    CLI::App app{
        "quorvel-cli: writes digitally modulated complex-baseband test signals as CSV or cf32 "
        "files "
        "with SigMF metadata. Each value is read exactly as the desktop's field of the same name.\n"
        "Labelled datasets (HDF5 or SigMF) from a recipe file: quorvel-cli dataset --help."};
    app.name("quorvel-cli");
    Options options;
    addOptions(app, options);
    formatHelp(app, terminalColumns(),
               "quorvel-cli [OPTIONS]\n"
               "quorvel-cli --from modulated_signal_K.sigmf-meta [--save-path FOLDER]\n"
               "quorvel-cli dataset RECIPE.json --out DIR [--shard I/N] [--format hdf5|sigmf]   "
               "(dataset --help)\n"
               "quorvel-cli dataset merge DIR\n"
               "quorvel-cli --scene RECIPE.json [--capture I] [--save-path FOLDER]   (one scene, SigMF)");
    if (const auto code = parseArguments(app, argc, argv, streams)) {
        return *code;
    }
    try {
        checkOptionUse(app, options);
        return generate(options, streams);
    } catch (const OptionError& e) {
        err << e.message << '\n';
        return ExitInvalidInput;
    } catch (const std::exception& e) {
        // Memory the system promised but could not give after all: a refusal, not a crash.
        err << message::GenerationFailed << '\n' << e.what() << '\n';
        return ExitRefused;
    }
}

}  // namespace quorvel
