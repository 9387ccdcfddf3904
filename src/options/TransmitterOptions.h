#pragma once
// quorvel-cli's transmitter options: pulse shaping, exact keying, Gray coding, the bit sources and
// the SNR definition.

#include <optional>
#include <string>

#include "request/TransmitterRequest.h"

namespace CLI {
class App;
}

namespace quorvel {

struct TransmitterOptions {
    std::string pulse;
    std::optional<std::string> rolloff;
    std::optional<std::string> span;
    bool exactTiming = false;
    bool gray = false;
    std::optional<std::string> bits;
    bool bitsSha256 = false;
    std::string snrDefinition;
    std::string snrReference;

    TransmitterOptions();
};

// The options that carry a transmitter setting, which --from takes from the recording.
inline constexpr const char* kTransmitterOptions[] = {"--pulse", "--rolloff", "--span",   "--exact-timing",
                                                      "--gray",  "--bits",    "--snr-def",
                                                      "--snr-ref", "--bits-sha256"};

// The SNR options go in channelGroup, beside the other channel settings.
void addTransmitterOptions(CLI::App& app, TransmitterOptions& o, const char* channelGroup);

// The request the options make; `source` is --source's word, which may name a PRBS. Throws
// OptionError for what names nothing or what cannot go together. The texts of --rolloff and
// --span are left to the caller, which bounds every field's length alike.
TransmitterRequest transmitterRequestFrom(const TransmitterOptions& o, const std::string& source);

}  // namespace quorvel
