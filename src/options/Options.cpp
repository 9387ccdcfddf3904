#include "options/Options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "common/Choices.h"
#include "common/TransmitterChoices.h"
#include "common/Version.h"
#include "modulation/SchemeCatalog.h"
#include "common/NumberText.h"
#include "common/PrintableText.h"
#include "export/IntegerSamples.h"
#include "request/FieldText.h"
#include "request/Messages.h"

namespace quorvel {

std::string alternativesText(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t k = 0; k < words.size(); ++k) {
        text += (k == 0 ? "" : k + 1 == words.size() ? " or " : ", ") + words[k];
    }
    return text;
}

namespace {

std::string alternatives(const std::vector<std::string>& words) {
    return alternativesText(words);
}

constexpr const char* kSignalGroup = "Signal";
constexpr const char* kChannelGroup = "Impairments";
constexpr const char* kOutputGroup = "Output";
constexpr const char* kRegenerationGroup = "Regeneration";

std::vector<std::string> schemeWords() {
    std::vector<std::string> words;
    for (const Scheme& scheme : schemeCatalog()) {
        words.emplace_back(scheme.name);
    }
    words.push_back(typeNumbersText());
    return words;
}

template <typename Value>
std::vector<std::string> choiceWords(std::span<const Choice<Value>> choices) {
    std::vector<std::string> words;
    for (const auto& choice : choices) {
        words.emplace_back(choice.name);
    }
    return words;
}

// "PSK 2|4|8|16 (default 4), FSK 2|4|8 (2), ..."
std::string orderHelp() {
    std::string text;
    for (const Scheme& scheme : schemeCatalog()) {
        if (!scheme.hasOrders()) {
            continue;
        }
        std::string values;
        for (const SchemeOrder& order : scheme.orders) {
            values += (values.empty() ? "" : "|") + std::to_string(order.value);
        }
        const std::string fallback = std::to_string(scheme.orders[scheme.defaultOrder].value);
        text += (text.empty() ? "" : ", ") + std::string(scheme.family) + " " + values + " (" +
                (text.empty() ? "default " : "") + fallback + ")";
    }
    return text;
}

// A value as the panel's field would hold it. The panel reads only a field's first characters; a
// longer value here would be read cut short, so it is refused rather than silently changed.
FieldText fieldText(std::string_view option, const std::string& value) {
    if (value.size() > kFieldTextLimit) {
        throw OptionError{std::string(option) + ": at most " + std::to_string(kFieldTextLimit) +
                          " characters (got " + std::to_string(value.size()) + ")."};
    }
    return FieldText(value);
}

const Scheme& schemeOf(const std::string& name) {
    for (const Scheme& scheme : schemeCatalog()) {
        if (name == scheme.name || name == std::to_string(static_cast<int>(scheme.type))) {
            return scheme;
        }
    }
    throw OptionError{"--modulation: unknown scheme \"" + name + "\" (use " + alternatives(schemeWords()) + ")."};
}

// The order the option names, or the scheme's default; nothing for a scheme without orders.
std::optional<std::int32_t> orderOf(const Options& o, const Scheme& scheme) {
    if (!scheme.hasOrders()) {
        if (o.order) {
            throw OptionError{"--order: " + o.modulation + " has no order to choose."};
        }
        return std::nullopt;
    }
    if (!o.order) {
        return scheme.orders[scheme.defaultOrder].value;
    }
    for (const SchemeOrder& order : scheme.orders) {
        if (*o.order == std::to_string(order.value)) {
            return order.value;
        }
    }
    throw OptionError{"--order: " + o.modulation + " offers the orders " + offeredOrdersText(scheme) + " (got \"" +
                      *o.order + "\")."};
}

// Every option that carries a setting of the run; --from takes all of them from the recording.
constexpr const char* kSettingOptions[] = {"--symbol-rate", "--sampling-rate", "--modulation", "--order",
                                           "--apsk-radii",  "--symbols",       "--source",     "--snr",
                                           "--mixing",      "--timing-error",  "--freq-offset", "--files",
                                           "--seed",        "--format",        "--scale",      "--stdout",       "--duration",
                                           "--pa",          "--clock-offset",  "--multipath",  "--fading",
                                           "--doppler",     "--phase-noise",   "--iq-imbalance", "--dc-offset",
                                           "--message",     "--sideband",   "--endless",    "--zmq",
                                           "--rate-limit"};

}  // namespace

Options::Options()
    : symbolRate(defaultText(Setting::SymbolRate)),
      samplingRate(defaultText(Setting::SamplingRate)),
      modulation(schemeCatalog().front().name),
      symbols(defaultText(Setting::SymbolCount)),
      source(dataSourceChoices().front().name),
      snr(defaultText(Setting::Snr)),
      mixing(defaultText(Setting::MixingFrequency)),
      timingError(defaultText(Setting::TimingError)),
      freqOffset(defaultText(Setting::FrequencyOffset)),
      files(defaultText(Setting::FileCount)),
      savePath(defaultText(Setting::SavePath)),
      format(outputFormatChoices().front().name) {}

void addOptions(CLI::App& app, Options& o) {
    const auto option = [&app](const char* group, const char* name, auto& value, const std::string& help,
                               const char* valueName) {
        auto* added = app.add_option(name, value, help)->group(group)->type_name(valueName);
        return added;
    };
    option(kSignalGroup, "--modulation", o.modulation, alternatives(schemeWords()), "NAME")->capture_default_str();
    option(kSignalGroup, "--order", o.order, "Modulation order: " + orderHelp(), "M");
    option(kSignalGroup, "--apsk-radii", o.apskRadii,
           "APSK ring radii, innermost first, separated by blanks (default: the order's own)", "\"R1 R2 ...\"");
    for (const WaveformParameter* parameter : allWaveformParameters()) {
        option(kSignalGroup, parameterOption(*parameter).c_str(), o.values[std::string(parameter->name)],
               std::string(parameter->help) + " (default " + parameterText(*parameter, parameter->defaultValue) + ")",
               std::string(parameter->valueName).c_str());
    }
    option(kSignalGroup, "--message", o.message,
           "Message of the analog families: noise (Gaussian, 300 Hz to --message-bandwidth; the default), "
           "tone:HZ[,HZ...] or FILE.wav (up to --message-bandwidth, repeated)",
           "MESSAGE");
    option(kSignalGroup, "--sideband", o.sideband, "Sideband am-ssb and am-ssb-sc keep: upper (default) or lower",
           "upper|lower");
    option(kSignalGroup, "--symbol-rate", o.symbolRate, "Symbol rate [Hz]", "HZ")->capture_default_str();
    option(kSignalGroup, "--sampling-rate", o.samplingRate, "Sampling rate [Hz]", "HZ")->capture_default_str();
    option(kSignalGroup, "--symbols", o.symbols, "Number of symbols per file", "N")->capture_default_str();
    option(kSignalGroup, "--duration", o.duration,
           "Length of each file [s] instead of --symbols: the seconds times the symbol rate, rounded to whole symbols",
           "SECONDS");
    option(kSignalGroup, "--source", o.source,
           "Input data source: " + alternatives(choiceWords(dataSourceChoices())) + "; or a bit source: " +
               prbsSourceNames() +
               " (the ITU-T O.150 polynomials from all ones; O.150's own 15, 23 and 31 are the -inv ones)",
           "NAME")
        ->capture_default_str();
    option(kSignalGroup, "--seed", o.seed, "Seed (unsigned 32-bit): equal settings and seed give identical files",
           "N");
    option(kChannelGroup, "--snr", o.snr, "Signal-to-noise ratio per sample [dB]; inf for no noise", "DB")
        ->capture_default_str();
    option(kChannelGroup, "--mixing", o.mixing, "Mixing frequency [Hz]", "HZ")->capture_default_str();
    option(kChannelGroup, "--timing-error", o.timingError, "Timing drift at the end [symbol periods], -1 to 1",
           "T")
        ->capture_default_str();
    option(kChannelGroup, "--freq-offset", o.freqOffset, "Frequency offset [Hz]", "HZ")->capture_default_str();
    addTransmitterOptions(app, o.transmitter, kChannelGroup);
    addImpairmentOptions(app, o.impairments, kChannelGroup);
    option(kOutputGroup, "--save-path", o.savePath, "Folder the files are written to (it must exist)", "FOLDER")
        ->capture_default_str();
    option(kOutputGroup, "--files", o.files, "Number of files", "N")->capture_default_str();
    option(kOutputGroup, "--format", o.format,
           "Output format: csv, cf32 (raw little-endian float32 I/Q, .sigmf-data), both, or the integer "
           "pairs ci16 (little-endian), ci8 or cu8 (offset by 127.5) of SDR hardware; each file also gets a SigMF "
           ".sigmf-meta file",
           "NAME")
        ->capture_default_str();
    option(kOutputGroup, "--scale", o.scale,
           "ci16, ci8, cu8: full scale as a factor of the signal's nominal RMS (default " +
               numberText(defaultIntegerScale()) + ", 12 dB of headroom); clipped samples are counted and reported",
           "F");
    app.add_flag("--stdout", o.toStdout,
                                  "Write the one file's samples (csv or cf32) to standard output and no sample "
                                  "file; messages go to standard error")
                         ->group(kOutputGroup);
    app.add_flag("--endless", o.endless,
                 "No end: the samples go on until the reader closes the pipe or Ctrl-C, with --stdout or --zmq; "
                 "its first N samples are those of a file of N samples of the same settings, but for the file's "
                 "last few (needs --snr-ref nominal with noise)")
        ->group(kOutputGroup);
    app.add_option("--zmq", o.zmq,
                   "Publish the samples (cf32, ci16, ci8 or cu8) on a ZeroMQ socket bound to this address as GNU "
                   "Radio's ZMQ PUB Sink does, one message of raw items per block; the first block waits for "
                   "the first subscriber")
        ->group(kOutputGroup)
        ->type_name("tcp://HOST:PORT");
    app.add_flag("--rate-limit", o.rateLimit,
                 "With --stdout or --zmq: hand the samples on no faster than the sampling rate")
        ->group(kOutputGroup);
    app.add_option("--metadata", o.metadata, "With --stdout: where the SigMF metadata file goes (default: none)")
        ->group(kOutputGroup)
        ->type_name("FILE");
    app.add_flag("--quiet", o.quiet, "Print nothing on success, and no progress")->group(kOutputGroup);
    app.add_flag("--progress", o.progress, "Show progress on standard error even when it is not a terminal")
        ->group(kOutputGroup);
    app.add_flag("--fsync", o.fsync, "Flush every finished file to the disk, so that it survives a power cut")
        ->group(kOutputGroup);
    option(kRegenerationGroup, "--from", o.from,
           "Make the file that this .sigmf-meta file describes again (seeded runs only); every setting comes "
           "from the file, only the output options above may be given",
           "FILE");
    app.add_flag("--trust-payload-path", o.trustPayloadPath,
                 "With --from: read the bits file the recording names even where it lies outside the "
                 "recording's folder (an absolute path, .. or a link out of it)")
        ->group(kRegenerationGroup);
    app.set_version_flag("-V,--version", "quorvel-cli " + std::string(kProgramVersion));
    app.footer(
        "Examples:\n"
        "  quorvel-cli --modulation qam --order 64 --snr 20 --seed 7 --save-path .\n"
        "      one CSV file of 64-QAM at 20 dB SNR, the same bytes on every run\n"
        "  mkdir -p captures && quorvel-cli --modulation gmsk --files 10 --seed 1 --format cf32 --save-path captures\n"
        "      ten cf32 recordings with their SigMF metadata in captures/\n"
        "  mkdir -p again && quorvel-cli --from captures/modulated_signal_3.sigmf-meta --save-path again\n"
        "      file 3 of that run made again from its metadata, the same bytes");
}

std::string symbolsText(const Options& o) {
    if (!o.duration) {
        return o.symbols;
    }
    const std::optional<double> seconds = FieldText(*o.duration).real();
    if (!seconds || !std::isfinite(*seconds) || !(*seconds > 0.0)) {
        throw OptionError{"--duration: a number of seconds above 0, such as 2.5 (it is \"" +
                          printableText(*o.duration, 32) + "\")."};
    }
    const std::optional<double> rate = FieldText(o.symbolRate).real();
    if (!rate || !std::isfinite(*rate) || !(*rate > 0.0)) {
        return o.symbols;
    }
    const double symbols = std::round(*seconds * *rate);
    if (!(symbols >= 1.0 && symbols <= static_cast<double>(std::numeric_limits<std::int32_t>::max()))) {
        throw OptionError{"--duration: " + numberText(*seconds) + " s at " + numberText(*rate) + " symbols per second is " +
                          numberText(symbols) + " symbols, not 1 to 2147483647."};
    }
    return std::to_string(static_cast<std::int32_t>(symbols));
}

void checkEndlessSettings(const SignalParameters& p) {
    if (!isNoiseless(p.snrDb) && p.transmitter.snrReference == SnrReference::Measured) {
        throw OptionError{"--endless: noise against the measured power needs the whole signal first; "
                          "add --snr-ref nominal (or --snr inf)."};
    }
    if (p.timingError != 0.0) {
        throw OptionError{"--endless: --timing-error drifts to its value at the end, which an endless stream "
                          "never reaches."};
    }
}

double integerScaleFrom(const Options& o, OutputFormat format) {
    if (!o.scale) {
        return 0.0;
    }
    if (!isIntegerFormat(format)) {
        throw OptionError{"--scale: only with --format ci16, ci8 or cu8."};
    }
    const std::optional<double> scale = FieldText(*o.scale).real();
    if (!scale || !std::isfinite(*scale) || !(*scale > 0.0)) {
        throw OptionError{"--scale: a factor above 0, such as 4 (it is \"" + printableText(*o.scale, 32) + "\")."};
    }
    return *scale;
}

std::string expectedFormLine(std::string_view message) {
    static constexpr std::string_view kWhole =
        "a whole number from 1 to 2147483647, written without a decimal point or an exponent";
    static const std::pair<std::string_view, std::string> kForms[] = {
        {message::InvalidSymbolRate,
         "--symbol-rate: a number of Hz above 0, such as 1000, 2.5e3 or 0x1p10"},
        {message::InvalidSamplingRate,
         "--sampling-rate: a number of Hz above 0, such as 10000 or 1e4"},
        {message::InvalidSymbolCount, "--symbols: " + std::string(kWhole) + " (1000000, not 1e6)"},
        {message::InvalidSnr, "--snr: a number of dB, such as 20 or -3.5, or inf for no noise"},
        {message::InvalidMixingFrequency, "--mixing: a number of Hz, such as 2000 or -1.5e3"},
        {message::InvalidTimingError,
         "--timing-error: a number of symbol periods from -1 to 1, such as 0.25"},
        {message::InvalidFrequencyOffset, "--freq-offset: a number of Hz, such as 150 or -2e3"},
        {message::InvalidFileCount, "--files: " + std::string(kWhole) + " (10, not 1e1)"},
        {message::InvalidRolloff, "--rolloff: a number above 0 and at most 1, such as 0.35"},
        {message::InvalidPulseSpan, "--span: a whole number of symbols from 1 to " +
                                        std::to_string(kMaxPulseSpanSymbols) + ", such as 10"},
    };
    for (const auto& [text, form] : kForms) {
        if (message == text) {
            return form;
        }
    }
    return {};
}

void checkOptionUse(const CLI::App& app, const Options& o) {
    // An empty value names nothing: CLI11 would read an empty --seed as no seed at all, and an
    // empty folder would be the root of the file system once a file name is appended.
    if (app.count("--seed") > 0 && !o.seed) {
        throw OptionError{"--seed: an empty value is no seed (use an unsigned 32-bit number)."};
    }
    if (o.savePath.empty()) {
        throw OptionError{"--save-path: an empty value names no folder (use . for the current folder)."};
    }
    if (o.duration && app.count("--symbols") > 0) {
        throw OptionError{"--duration: not with --symbols (both set the length)."};
    }
    if (o.from && o.from->empty()) {
        throw OptionError{"--from: an empty value names no metadata file."};
    }
    if (o.metadata && o.metadata->empty()) {
        throw OptionError{"--metadata: an empty value names no file."};
    }
    if (o.trustPayloadPath && !o.from) {
        throw OptionError{"--trust-payload-path: only with --from (it concerns the bits file a recording names)."};
    }
    if (o.metadata && !o.toStdout) {
        throw OptionError{"--metadata: only with --stdout (the files of a run carry their own metadata)."};
    }
    const bool streamed = o.toStdout || o.zmq;
    if (o.zmq && o.zmq->empty()) {
        throw OptionError{"--zmq: an empty value names no address (use tcp://127.0.0.1:5555)."};
    }
    if (o.zmq && o.toStdout) {
        throw OptionError{"--zmq: not with --stdout (the samples go to one of them)."};
    }
    if (o.endless && !streamed) {
        throw OptionError{"--endless: only with --stdout or --zmq (a file needs an end)."};
    }
    if (o.endless && (app.count("--symbols") > 0 || o.duration)) {
        throw OptionError{"--endless: not with --symbols or --duration (an endless stream has no length)."};
    }
    if (o.endless && o.metadata) {
        throw OptionError{"--metadata: not with --endless (the metadata describes a stream that ended)."};
    }
    if (o.rateLimit && !streamed) {
        throw OptionError{"--rate-limit: only with --stdout or --zmq (files are written as fast as they can)."};
    }
    if (o.from) {
        std::vector<const char*> settings(std::begin(kSettingOptions), std::end(kSettingOptions));
        settings.insert(settings.end(), std::begin(kTransmitterOptions), std::end(kTransmitterOptions));
        std::vector<std::string> names(settings.begin(), settings.end());
        for (const WaveformParameter* parameter : allWaveformParameters()) {
            names.push_back(parameterOption(*parameter));
        }
        for (const std::string& name : names) {
            if (app.count(name) > 0) {
                throw OptionError{name + " cannot be given with --from, which takes every setting "
                                         "from the recording."};
            }
        }
    }
}

SettingsRequest requestFrom(const Options& o) {
    const Scheme& scheme = schemeOf(o.modulation);
    const bool bitSource = bitSourceNamed(o.source).has_value();
    const auto source = bitSource ? std::optional(SettingsRequest{}.source.value()) : dataSourceNamed(o.source);
    if (!source) {
        std::vector<std::string> words = choiceWords(dataSourceChoices());
        for (const BitSourceChoice& bits : bitSourceChoices()) {
            if (bits.length > 0) {
                words.emplace_back(bits.name);
            }
        }
        throw OptionError{"--source: unknown data source \"" + o.source + "\" (use " + alternatives(words) + ")."};
    }
    const auto format = outputFormatNamed(o.format);
    if (!format) {
        throw OptionError{"--format: unknown format \"" + o.format + "\" (use " +
                          alternatives(choiceWords(outputFormatChoices())) + ")."};
    }
    SettingsRequest request{.scheme = scheme.type, .source = *source, .format = *format};
    request.order = orderOf(o, scheme);
    if (o.apskRadii && !scheme.hasRadii) {
        throw OptionError{"--apsk-radii: only " + std::string(radiiScheme().family) +
                          " has ring radii (the scheme is " + o.modulation + ")."};
    }
    if (o.apskRadii) {
        request.apskRadii = fieldText("--apsk-radii", *o.apskRadii);
    } else if (scheme.hasRadii) {
        request.apskRadii = findOrder(scheme, *request.order)->radiiText;
    }
    for (const auto& entry : o.values) {
        // Named, not bound: older clang cannot capture a structured binding in a lambda.
        const std::string& name = entry.first;
        const std::optional<std::string>& text = entry.second;
        if (!text) {
            continue;
        }
        const auto& own = scheme.parameters;
        const auto parameter = std::find_if(own.begin(), own.end(), [&](const auto& p) { return p.name == name; });
        if (parameter == own.end()) {
            throw OptionError{"--" + name + ": the scheme " + o.modulation + " has no such parameter."};
        }
        request.values.emplace(name, fieldText(parameterOption(*parameter), *text));
    }
    if (o.message) {
        if (!scheme.takesMessage) {
            throw OptionError{"--message: only the analog families take a message (the scheme is " + o.modulation + ")."};
        }
        request.analogMessage = *o.message == "noise" ? std::string() : *o.message;
    }
    if (o.sideband) {
        if (!scheme.takesSideband) {
            throw OptionError{"--sideband: only am-ssb and am-ssb-sc keep one sideband (the scheme is " + o.modulation + ")."};
        }
        if (*o.sideband != "upper" && *o.sideband != "lower") {
            throw OptionError{"--sideband: \"" + printableText(*o.sideband, 40) + "\" is neither upper nor lower."};
        }
        request.lowerSideband = *o.sideband == "lower";
    }
    request.symbolRate = fieldText("--symbol-rate", o.symbolRate);
    request.samplingRate = fieldText("--sampling-rate", o.samplingRate);
    request.symbolCount = fieldText("--symbols", o.symbols);
    request.snr = fieldText("--snr", o.snr);
    request.mixingFrequency = fieldText("--mixing", o.mixing);
    request.timingError = fieldText("--timing-error", o.timingError);
    request.frequencyOffset = fieldText("--freq-offset", o.freqOffset);
    request.fileCount = fieldText("--files", o.files);
    request.transmitter = transmitterRequestFrom(o.transmitter, o.source);
    if (o.transmitter.rolloff) {
        request.transmitter.rolloff = fieldText("--rolloff", *o.transmitter.rolloff);
    }
    if (o.transmitter.span) {
        request.transmitter.span = fieldText("--span", *o.transmitter.span);
    }
    return request;
}

}  // namespace quorvel
