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

#include "app/ControlPanelReader.h"
#include "app/ControlTable.h"
#include "app/OrderControls.h"
#include "cli/ProgressDisplay.h"
#include "common/Version.h"
#include "export/Cf32Sink.h"
#include "export/CsvSink.h"
#include "export/SigmfMetadata.h"
#include "export/SigmfRecordReader.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

struct Options {
    std::string symbolRate = "1000";
    std::string samplingRate = "10000";
    std::string modulation = "psk";
    std::optional<std::string> order;
    std::optional<std::string> apskRadii;
    std::string symbols = "10000";
    std::string source = "random";
    std::string snr = "30";
    std::string mixing = "0";
    std::string timingError = "0";
    std::string freqOffset = "0";
    std::string files = "1";
    std::string savePath = ".";
    std::string format = "csv";
    std::optional<std::uint32_t> seed;
    std::optional<std::string> from;
    bool quiet = false;
    bool toStdout = false;
    std::optional<std::string> metadata;
    bool progress = false;
    bool fsync = false;
};

// A usage error that names the option at fault.
struct OptionError {
    std::string message;
};

constexpr std::array<std::string_view, 8> kSchemeNames = {"psk", "oqpsk", "pi4dqpsk", "fsk",
                                                           "msk", "gmsk",  "qam",      "apsk"};
constexpr std::array<std::string_view, 3> kSourceNames = {"random", "prn15", "prn7"};

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

// Byte for byte, so that narrowing gives back exactly the bytes the user typed (a UTF-8 path
// stays the same UTF-8 path).
std::u16string widen(const std::string& text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (unsigned char c : text) {
        wide.push_back(static_cast<char16_t>(c));
    }
    return wide;
}

// A value as the panel's field would hold it. The panel reads only a field's first 255 characters;
// a longer value here would be read cut short, so it is refused rather than silently changed.
std::u16string fieldText(std::string_view option, const std::string& value) {
    if (value.size() > kFieldTextLimit) {
        throw OptionError{std::string(option) + ": at most " + std::to_string(kFieldTextLimit) +
                          " characters (got " + std::to_string(value.size()) + ")."};
    }
    return widen(value);
}

int schemeIndex(const std::string& name) {
    for (std::size_t k = 0; k < kSchemeNames.size(); ++k) {
        if (name == kSchemeNames[k] || name == std::to_string(k + 1)) {
            return static_cast<int>(k);
        }
    }
    throw OptionError{"--modulation: unknown scheme \"" + name +
                      "\" (use psk, oqpsk, pi4dqpsk, fsk, msk, gmsk, qam, apsk or 1 to 8)."};
}

int sourceIndex(const std::string& name) {
    for (std::size_t k = 0; k < kSourceNames.size(); ++k) {
        if (name == kSourceNames[k]) {
            return static_cast<int>(k);
        }
    }
    throw OptionError{"--source: unknown data source \"" + name + "\" (use random, prn15 or prn7)."};
}

// The panel's list position of the format, named as the metadata names it.
int formatIndex(const std::string& name) {
    for (int k = 0; k < static_cast<int>(listItems(ControlId::OutputFormat).size()); ++k) {
        if (name == outputFormatName(static_cast<OutputFormat>(k))) {
            return k;
        }
    }
    throw OptionError{"--format: unknown format \"" + name + "\" (use csv, cf32 or both)."};
}

// The order list of a scheme; nothing for the schemes without an order to choose.
std::optional<ControlId> orderList(ModulationType type) {
    switch (type) {
        case ModulationType::Psk: return ControlId::PskOrder;
        case ModulationType::Fsk: return ControlId::FskOrder;
        case ModulationType::Qam: return ControlId::QamOrder;
        case ModulationType::Apsk: return ControlId::ApskOrder;
        default: return std::nullopt;
    }
}

std::string offeredValues(ControlId list) {
    std::string values;
    for (const auto& item : listItems(list)) {
        values += (values.empty() ? "" : ", ") + std::to_string(item.value);
    }
    return values;
}

// Puts the chosen order into the panel's list position of that scheme.
void selectOrder(const Options& o, ModulationType type, ControlPanelInput& panel) {
    const auto list = orderList(type);
    if (!list) {
        if (o.order) {
            throw OptionError{"--order: " + o.modulation + " has no order to choose."};
        }
        return;
    }
    if (!o.order) {
        return;  // the panel's initial selection
    }
    const auto items = listItems(*list);
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (*o.order == std::to_string(items[k].value)) {
            int& index = type == ModulationType::Psk   ? panel.pskIndex
                         : type == ModulationType::Fsk ? panel.fskIndex
                         : type == ModulationType::Qam ? panel.qamIndex
                                                       : panel.apskIndex;
            index = static_cast<int>(k);
            return;
        }
    }
    throw OptionError{"--order: " + o.modulation + " offers the orders " + offeredValues(*list) +
                      " (got \"" + *o.order + "\")."};
}

ControlPanelInput panelFrom(const Options& o) {
    ControlPanelInput panel;
    panel.modulationIndex = schemeIndex(o.modulation);
    panel.dataSourceIndex = sourceIndex(o.source);
    panel.outputFormatIndex = formatIndex(o.format);
    const auto type = static_cast<ModulationType>(panel.modulationIndex + 1);
    selectOrder(o, type, panel);
    if (o.apskRadii && type != ModulationType::Apsk) {
        throw OptionError{"--apsk-radii: only APSK has ring radii (the scheme is " + o.modulation + ")."};
    }
    panel.apskRadii = o.apskRadii ? fieldText("--apsk-radii", *o.apskRadii)
                                  : widen(defaultApskRadiiText(panel.apskIndex));
    panel.symbolRate = fieldText("--symbol-rate", o.symbolRate);
    panel.samplingRate = fieldText("--sampling-rate", o.samplingRate);
    panel.symbolCount = fieldText("--symbols", o.symbols);
    panel.snrDb = fieldText("--snr", o.snr);
    panel.mixingFrequency = fieldText("--mixing", o.mixing);
    panel.timingError = fieldText("--timing-error", o.timingError);
    panel.frequencyOffset = fieldText("--freq-offset", o.freqOffset);
    panel.fileCount = fieldText("--files", o.files);
    // The save path is taken whole in generate(): a folder's name may be longer than a field.
    return panel;
}

void addOptions(CLI::App& app, Options& o) {
    // A regeneration takes every setting from the metadata; only where to write and how loudly
    // are the user's.
    auto* from = app.add_option("--from", o.from,
                                "Make the file that this .sigmf-meta file describes again (seeded runs only)");
    const auto setting = [&app, from](auto&&... args) {
        auto* option = app.add_option(std::forward<decltype(args)>(args)...);
        from->excludes(option);
        return option;
    };
    setting("--symbol-rate", o.symbolRate, "Symbol rate [Hz]")->capture_default_str();
    setting("--sampling-rate", o.samplingRate, "Sampling rate [Hz]")->capture_default_str();
    setting("--modulation", o.modulation,
            "psk, oqpsk, pi4dqpsk, fsk, msk, gmsk, qam, apsk, or the type number 1-8")
        ->capture_default_str();
    setting("--order", o.order,
            "Modulation order: PSK 2|4|8|16 (default 4), FSK 2|4|8 (2), "
            "QAM 16|32|64|256|1024|2048 (16), APSK 16|32|64 (16)");
    setting("--apsk-radii", o.apskRadii,
            "APSK ring radii, innermost first, separated by blanks (default: the order's own)");
    setting("--symbols", o.symbols, "Number of symbols per file")->capture_default_str();
    setting("--source", o.source, "Input data source: random, prn15 or prn7")->capture_default_str();
    setting("--snr", o.snr, "Signal-to-noise ratio per sample [dB]; inf for no noise")
        ->capture_default_str();
    setting("--mixing", o.mixing, "Mixing frequency [Hz]")->capture_default_str();
    setting("--timing-error", o.timingError, "Timing drift at the end [symbol periods], -1 to 1")
        ->capture_default_str();
    setting("--freq-offset", o.freqOffset, "Frequency offset [Hz]")->capture_default_str();
    setting("--files", o.files, "Number of files")->capture_default_str();
    app.add_option("--save-path", o.savePath, "Folder the files are written to")->capture_default_str();
    setting("--seed", o.seed, "Seed (unsigned 32-bit): equal settings and seed give identical files");
    setting("--format", o.format,
            "Output format: csv, cf32 (raw little-endian float32 I/Q, .sigmf-data) or both; "
            "each file also gets a SigMF .sigmf-meta file")
        ->capture_default_str();
    app.add_flag("--quiet", o.quiet, "Print nothing on success, and no progress");
    auto* toStdout = app.add_flag("--stdout", o.toStdout,
                                  "Write the one file's samples (csv or cf32) to standard output and no sample file; "
                                  "messages go to standard error");
    from->excludes(toStdout);
    app.add_option("--metadata", o.metadata, "With --stdout: where the SigMF metadata file goes (default: none)")
        ->needs(toStdout);
    app.add_flag("--progress", o.progress, "Show progress on standard error even when it is not a terminal");
    app.add_flag("--fsync", o.fsync, "Flush every finished file to the disk, so that it survives a power cut");
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
    return result.fileFailures.empty() ? ExitSuccess : ExitFileFailure;
}

// Why recorded settings are not ones a run of this program could have been given, if they are
// not: the chosen scheme's order must be one its list offers, the other schemes' orders 0, and
// only APSK has ring radii, as the control panel's reading leaves them.
std::optional<std::string> recordedSettingsProblem(const SignalParameters& p) {
    const struct {
        ModulationType type;
        ControlId list;
        std::int32_t order;
        const char* name;
    } orders[] = {{ModulationType::Psk, ControlId::PskOrder, p.pskOrder, "psk"},
                  {ModulationType::Fsk, ControlId::FskOrder, p.fskOrder, "fsk"},
                  {ModulationType::Qam, ControlId::QamOrder, p.qamOrder, "qam"},
                  {ModulationType::Apsk, ControlId::ApskOrder, p.apskOrder, "apsk"}};
    for (const auto& entry : orders) {
        if (entry.type != p.modulationType) {
            if (entry.order != 0) {
                return std::string("\"quorvel:") + entry.name + "_order\" is " + std::to_string(entry.order) +
                       " but the scheme is " + std::string(modulationName(p.modulationType)) + " (a run records 0)";
            }
            continue;
        }
        bool offered = false;
        for (const auto& item : listItems(entry.list)) {
            offered = offered || item.value == entry.order;
        }
        if (!offered) {
            return std::string(entry.name) + " offers the orders " + offeredValues(entry.list) + " (the recording has " +
                   std::to_string(entry.order) + ")";
        }
    }
    if (p.modulationType != ModulationType::Apsk && !p.apskRadiiText.empty()) {
        return "only APSK has ring radii (the scheme is " + std::string(modulationName(p.modulationType)) + ")";
    }
    if (p.apskRadiiText.size() > kFieldTextLimit) {
        return "\"quorvel:apsk_radii\" holds more than " + std::to_string(kFieldTextLimit) + " characters";
    }
    return std::nullopt;
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
    const auto reading = readControlPanel(panelFrom(o));
    if (!reading) {
        err << reading.message << '\n';
        return ExitInvalidInput;
    }
    SignalParameters p = *reading.parameters;
    p.savePath = o.savePath;
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

// An empty value names nothing: CLI11 would read an empty --seed as no seed at all, and an
// empty folder would be the root of the file system once a file name is appended.
void refuseEmptyValues(const CLI::App& app, const Options& o) {
    if (app.count("--seed") > 0 && !o.seed) {
        throw OptionError{"--seed: an empty value is no seed (use an unsigned 32-bit number)."};
    }
    if (o.savePath.empty()) {
        throw OptionError{"--save-path: an empty value names no folder (use . for the current folder)."};
    }
    if (o.from && o.from->empty()) {
        throw OptionError{"--from: an empty value names no metadata file."};
    }
    if (o.metadata && o.metadata->empty()) {
        throw OptionError{"--metadata: an empty value names no file."};
    }
}

}  // namespace

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return runCommandLine(argc, argv, CommandLineStreams{out, err});
}

int runCommandLine(int argc, const char* const* argv, const CommandLineStreams& streams) {
    std::ostream& out = streams.out;
    std::ostream& err = streams.err;
    CLI::App app{"quorvel-cli: writes digitally modulated complex-baseband test signals as CSV or cf32 files\n"
                 "with SigMF metadata.\n"
                 "Each value is parsed exactly like the desktop control panel's field of the same name."};
    app.name("quorvel-cli");
    Options options;
    addOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? ExitSuccess : ExitInvalidInput;
    }
    try {
        refuseEmptyValues(app, options);
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
