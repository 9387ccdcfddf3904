#pragma once
// quorvel-cli's options: their names, value names, groups and help, and their translation into
// a request for the request layer.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "options/TransmitterOptions.h"
#include "common/SignalParameters.h"
#include "options/ImpairmentOptions.h"
#include "request/SettingsRequest.h"

namespace CLI {
class App;
}

namespace quorvel {

struct Options {
    Options();

    std::string symbolRate;
    std::string samplingRate;
    std::string modulation;
    std::optional<std::string> order;
    std::optional<std::string> apskRadii;
    std::map<std::string, std::optional<std::string>> values;  // the families' own parameters by name
    std::optional<std::string> message;   // the analog families' message
    std::optional<std::string> sideband;  // the single-sideband families' upper or lower
    std::string symbols;
    std::optional<std::string> duration;  // seconds, instead of symbols
    std::string source;
    std::string snr;
    std::string mixing;
    std::string timingError;
    std::string freqOffset;
    std::string files;
    std::string savePath;
    std::string format;
    std::optional<std::string> scale;
    std::optional<std::uint32_t> seed;
    std::optional<std::string> from;
    bool quiet = false;
    bool toStdout = false;
    bool endless = false;               // no end: only to standard output or ZeroMQ
    std::optional<std::string> zmq;     // the address a ZeroMQ socket publishes the samples on
    bool rateLimit = false;             // the stream paced at the sampling rate
    std::optional<std::string> metadata;
    bool progress = false;
    bool fsync = false;
    bool trustPayloadPath = false;
    TransmitterOptions transmitter;
    ImpairmentOptions impairments;
};

// "a, b or c": the words a user may give.
std::string alternativesText(const std::vector<std::string>& words);

// "prbs7, prbs9, ... or prbs31": the bit sources --source also takes.
std::string prbsSourceNames();

// A usage error that names the option at fault.
struct OptionError {
    std::string message;
};

// The second line of a field's message on the command line: the option and the form its value
// takes ("--symbols: a whole number ..."); empty for a message of no field.
std::string expectedFormLine(std::string_view message);

// Declares every option on app, bound to o, with --version and the closing examples.
void addOptions(CLI::App& app, Options& o);

// The refusals that need the whole command line: empty values, and settings given with --from.
// Throws OptionError.
void checkOptionUse(const CLI::App& app, const Options& o);

// The request the options make: names resolved through the catalogs, texts as typed. The texts
// stay in o, which must outlive the request. Throws OptionError for what names nothing.
SettingsRequest requestFrom(const Options& o);

// The --symbols text the run takes: --duration's seconds times the symbol rate, rounded to whole
// symbols, when it is given. Throws OptionError for a duration that gives no count of symbols;
// a malformed symbol rate is left to its own message.
std::string symbolsText(const Options& o);

// The refusals of an endless stream that need the settings read: noise against the measured
// power, which needs the whole signal first, and a timing error, which drifts to its value at
// the end. Throws OptionError.
void checkEndlessSettings(const SignalParameters& parameters);

// --scale's factor for the run's format: 0 (the default) when not given. Throws OptionError for
// a value that is no factor above 0, or a scale for a format without one.
double integerScaleFrom(const Options& o, OutputFormat format);

}  // namespace quorvel
