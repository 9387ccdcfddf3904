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

#include "cli/Options.h"
#include "cli/ProgressDisplay.h"
#include "common/Version.h"
#include "export/Cf32Sink.h"
#include "export/CsvSink.h"
#include "export/SigmfMetadata.h"
#include "export/SigmfRecordReader.h"
#include "request/Messages.h"
#include "request/RecordedSettings.h"
#include "request/SettingsRequest.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

// Regenerating file K first draws the symbols of the K - 1 files before it; beyond this many
// symbols that replay alone would take hours.
constexpr double kMaxReplayedSymbols = 1e10;

// Text read from a file, safe to print on a terminal: control characters (C0, DEL and the UTF-8
// encoded C1 range) become \xNN escapes, so a recorded escape sequence cannot reach the terminal.
std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    const auto escape = [&shown](unsigned char byte) {
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0xFu];
    };
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
        } else if (byte == 0xC2 && k + 1 < text.size() && static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[k + 1]) <= 0x9F) {
            escape(byte);
            escape(static_cast<unsigned char>(text[++k]));
        } else {
            shown += text[k];
        }
    }
    return shown;
}

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
        err << "Interrupted: kept " << kept.size() << (kept.size() == 1 ? " file:" : " files:");
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

// Shows the run's progress on standard error when asked for, or when that is a terminal.
struct ProgressHook {
    ProgressHook(const Options& o, const CommandLineStreams& streams, RunOptions& options)
        : display(streams.err, streams.errIsTerminal) {
        if (!o.quiet && (o.progress || streams.errIsTerminal)) {
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
    return (writesCsv(format) ? 1u : 0u) + (writesCf32(format) ? 1u : 0u);
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
    for (const auto& failure : result.fileFailures) {
        err << "Could not write " << failure.path << ": " << failure.reason << '\n';
    }
    if (result.unlistedFailures > 0) {
        err << "... and " << result.unlistedFailures << " more files could not be written\n";
    }
    if (result.stoppedByDisk) {
        err << "Stopped: no later file can be written there.\n";
    }
    if (result.stoppedByMemory) {
        err << "Stopped: memory ran out; no later file was tried.\n";
    }
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

// Makes the file a metadata file describes again, from its recorded settings and seed.
int regenerate(const Options& o, const CommandLineStreams& streams) {
    std::ostream& out = streams.out;
    std::ostream& err = streams.err;
    const auto reading = readRecordingRecordFile(*o.from);
    if (!reading) {
        err << "cannot regenerate: " << printable(reading.problem) << '\n';
        return ExitInvalidInput;
    }
    const RecordingRecord& record = *reading.record;
    if (!record.seed) {
        err << "cannot regenerate: the recording was made without --seed, so its random values cannot be "
               "drawn again\n";
        return ExitInvalidInput;
    }
    if (const auto problem = recordedSettingsProblem(record.parameters)) {
        err << "cannot regenerate: " << printable(*problem) << '\n';
        return ExitInvalidInput;
    }
    const double replayed = static_cast<double>(record.fileNumber - 1) * record.parameters.symbolCount;
    if (replayed > kMaxReplayedSymbols) {
        std::ostringstream why;
        why << "cannot regenerate: file " << record.fileNumber << " would first replay the " << replayed
            << " symbols of the files before it (at most " << kMaxReplayedSymbols << ")\n";
        err << why.str();
        return ExitInvalidInput;
    }
    if (isRecordingFolder(o.savePath, *o.from)) {
        err << "cannot regenerate: " << printable(o.savePath)
            << " is the recording's own folder, whose files would be replaced; choose another --save-path\n";
        return ExitInvalidInput;
    }
    // The rules of a fresh run, for the folder written to as well as for the recorded one.
    SignalParameters written = record.parameters;
    written.savePath = o.savePath;
    if (const auto reason = findRefusal(written, availableMemoryBytes(), false)) {
        err << message::GenerationFailed << '\n' << printable(*reason) << '\n';
        return ExitRefused;
    }
    if (record.programVersion != kProgramVersion) {
        err << "note: the recording was made by Quorvel " << printable(record.programVersion) << ", this is "
            << kProgramVersion << "; the samples may differ\n";
    }
    const auto synthesizer = SignalSynthesizer::seeded(*record.seed);
    RunOptions options;
    options.keepLastSignal = false;
    options.syncToDisk = o.fsync;
    options.cancel = streams.cancel;
    GenerationResult result;
    {
        const ProgressHook progress(o, streams, options);
        result = synthesizer.regenerateFile(record.parameters, record.fileNumber, o.savePath, options);
    }
    if (result.folderBusy) {
        err << result.refusal << '\n';
        return ExitFileFailure;
    }
    if (result.refused()) {
        err << message::GenerationFailed << '\n' << printable(result.refusal) << '\n';
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
        throw OptionError{"--stdout: one format only (csv or cf32), not both."};
    }
    if (p.fileCount != 1) {
        throw OptionError{"--stdout: one file only (got --files " + o.files + ")."};
    }
    ByteOutput output = ByteOutput::toDescriptor(descriptor, "standard output");
    if (p.outputFormat == OutputFormat::Csv) {
        return std::make_unique<CsvSink>(std::move(output), CsvSink::defaultWorkers());
    }
    return std::make_unique<Cf32Sink>(std::move(output));
}

// A closed pipe ends the run quietly; any other failure of standard output is reported.
int finishStreamedRun(const Options& o, const GenerationResult& result, const SignalParameters& p,
                      std::ostream& err) {
    const std::string brokenPipe = std::generic_category().message(EPIPE);
    for (const auto& failure : result.fileFailures) {
        if (result.streamFailed && failure.reason == brokenPipe) {
            return ExitBrokenPipe;
        }
    }
    if (!o.quiet && result.fileFailures.empty()) {
        err << "Wrote " << result.samplesPerFile << " samples (" << p.symbolCount << " symbols, sampling rate "
            << p.samplingRate << " Hz) to standard output";
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
    auto reading = readSettings(requestFrom(o), o.savePath);
    if (!reading) {
        err << reading.message << '\n';
        return ExitInvalidInput;
    }
    reading.parameters->impairments = impairmentsFrom(o.impairments, reading.parameters->samplingRate);
    const SignalParameters& p = *reading.parameters;
    const SignalSynthesizer synthesizer = o.seed ? SignalSynthesizer::seeded(*o.seed) : SignalSynthesizer();
    // The command line shows no signal, so it never holds one whole, however long the file.
    RunOptions options;
    options.keepLastSignal = false;
    options.syncToDisk = o.fsync;
    options.cancel = streams.cancel;
    std::unique_ptr<SampleSink> stream;
    if (o.toStdout) {
        stream = standardOutputSink(o, p, streams.sampleDescriptor);
        options.sampleStream = stream.get();
        options.metadataPath = o.metadata;
    }
    GenerationResult result;
    {
        const ProgressHook progress(o, streams, options);
        result = synthesizer.generateSignal(p, options);
    }
    if (result.folderBusy) {
        err << result.refusal << '\n';
        return ExitFileFailure;
    }
    if (result.refused()) {
        err << message::GenerationFailed << '\n' << result.refusal << '\n';
        return ExitRefused;
    }
    if (result.cancelled) {
        return reportInterrupted(result, streams);
    }
    if (stream) {
        return finishStreamedRun(o, result, p, err);
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
    std::ostream& out = streams.out;
    std::ostream& err = streams.err;
    CLI::App app{"quorvel-cli: writes digitally modulated complex-baseband test signals as CSV or cf32 files\n"
                 "with SigMF metadata. Each value is read exactly as the desktop's field of the same name."};
    app.name("quorvel-cli");
    Options options;
    addOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? ExitSuccess : ExitInvalidInput;
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
