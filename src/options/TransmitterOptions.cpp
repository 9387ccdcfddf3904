#include "options/TransmitterOptions.h"

#include <CLI/CLI.hpp>

#include "options/Options.h"
#include "common/NumberText.h"
#include "common/PrintableText.h"
#include "common/TransmitterChoices.h"
#include "synthesis/TransmitterCheck.h"

namespace quorvel {
namespace {

constexpr const char* kTransmitterGroup = "Transmitter";

template <typename Row>
std::string namesOf(std::span<const Row> rows, bool (*offered)(const Row&)) {
    std::vector<std::string> words;
    for (const Row& row : rows) {
        if (offered(row)) {
            words.emplace_back(row.name);
        }
    }
    return alternativesText(words);
}

bool anyRow(const auto&) { return true; }
bool shiftRegister(const BitSourceChoice& row) { return row.length > 0; }

std::string pulseNames() { return namesOf<PulseChoice>(pulseChoices(), anyRow); }
std::string snrDefinitionNames() { return namesOf<SnrDefinitionChoice>(snrDefinitionChoices(), anyRow); }
std::string snrReferenceNames() { return namesOf<SnrReferenceChoice>(snrReferenceChoices(), anyRow); }

std::string rolloffHelp() {
    std::string text = "Pulse width parameter, above 0 and at most 1: ";
    for (const PulseChoice& pulse : pulseChoices()) {
        if (pulse.value != PulseShape::Linear) {
            text += std::string(pulse.rolloffWord) + " for " + std::string(pulse.name) + " (default " +
                    numberText(pulse.defaultRolloff) + ")" + (pulse.value == PulseShape::Gaussian ? "" : ", ");
        }
    }
    return text;
}

}  // namespace

std::string prbsSourceNames() {
    return namesOf<BitSourceChoice>(bitSourceChoices(), shiftRegister);
}

TransmitterOptions::TransmitterOptions()
    : pulse(pulseChoice(Transmitter{}.pulse).name), snrDefinition(snrDefinitionChoice(Transmitter{}.snrDefinition).name),
      snrReference(snrReferenceChoice(Transmitter{}.snrReference).name) {}

void addTransmitterOptions(CLI::App& app, TransmitterOptions& o, const char* channelGroup) {
    app.add_option("--pulse", o.pulse, "Transmit pulse of PSK, OQPSK, Pi/4-DQPSK, QAM and APSK: " + pulseNames())
        ->group(kTransmitterGroup)
        ->type_name("NAME")
        ->capture_default_str();
    app.add_option("--rolloff", o.rolloff, rolloffHelp())->group(kTransmitterGroup)->type_name("A");
    app.add_option("--span", o.span,
                   "Pulse length [symbols], 1 to " + std::to_string(kMaxPulseSpanSymbols) + " (default " +
                       std::to_string(Transmitter{}.span) + ")")
        ->group(kTransmitterGroup)
        ->type_name("S");
    app.add_flag("--exact-timing", o.exactTiming,
                 "FSK, MSK, GMSK: symbol k starts at k / symbol rate exactly, for any ratio of the rates")
        ->group(kTransmitterGroup);
    app.add_flag("--gray", o.gray, "Gray-code the symbols: neighbouring points differ in one bit")
        ->group(kTransmitterGroup);
    app.add_option("--bits", o.bits,
                   "Send the bits of FILE (most significant bit first, repeated) instead of the data source")
        ->group(kTransmitterGroup)
        ->type_name("FILE");
    app.add_flag("--bits-sha256", o.bitsSha256,
                 "With --bits: record the bits file's SHA-256 and its path from the metadata's folder, so that "
                 "--from reads it there and refuses any other file")
        ->group(kTransmitterGroup);
    app.add_option("--snr-def", o.snrDefinition,
                   "What --snr measures: sample (per complex sample), esn0 (Es/N0) or ebn0 (Eb/N0)")
        ->group(channelGroup)
        ->type_name("NAME")
        ->capture_default_str();
    app.add_option("--snr-ref", o.snrReference,
                   "Power --snr is against: measured (the file's, in a pass before the noise) or nominal "
                   "(the waveform's through its pulse, in one pass, the first samples at once)")
        ->group(channelGroup)
        ->type_name("NAME")
        ->capture_default_str();
}

TransmitterRequest transmitterRequestFrom(const TransmitterOptions& o, const std::string& source) {
    TransmitterRequest request;
    request.pulse = pulseNamed(o.pulse);
    if (!request.pulse) {
        throw OptionError{"--pulse: unknown pulse \"" + o.pulse + "\" (use " + pulseNames() + ")."};
    }
    if ((o.rolloff || o.span) && *request.pulse == PulseShape::Linear) {
        throw OptionError{std::string(o.rolloff ? "--rolloff" : "--span") +
                          ": only with a shaped pulse (--pulse rrc, rc or gaussian)."};
    }
    request.exactTiming = o.exactTiming;
    request.gray = o.gray;
    if (const auto prbs = bitSourceNamed(source)) {
        if (o.bits) {
            throw OptionError{"--bits: not with --source " + source + " (both are bit sources)."};
        }
        request.bits = *prbs;
    } else if (o.bits) {
        if (o.bits->empty()) {
            throw OptionError{"--bits: an empty value names no file."};
        }
        request.bits = BitSource::File;
        request.bitsFile = *o.bits;
    }
    if (o.bitsSha256 && !o.bits) {
        throw OptionError{"--bits-sha256: only with --bits (it records the bits file's digest)."};
    }
    request.snrDefinition = snrDefinitionNamed(o.snrDefinition);
    if (!request.snrDefinition) {
        throw OptionError{"--snr-def: unknown definition \"" + o.snrDefinition + "\" (use " + snrDefinitionNames() +
                          ")."};
    }
    request.snrReference = snrReferenceNamed(o.snrReference);
    if (!request.snrReference) {
        throw OptionError{"--snr-ref: unknown reference \"" + printableText(o.snrReference, 32) + "\" (use " + snrReferenceNames() +
                          ")."};
    }
    return request;
}

}  // namespace quorvel
