#include "export/TransmitterRecord.h"

#include <cmath>
#include <sys/stat.h>

#include "common/TransmitterChoices.h"
#include "export/MetadataFields.h"
#include "modulation/SymbolTiming.h"

namespace quorvel {

void writeTransmitter(nlohmann::ordered_json& global, const SignalParameters& p) {
    const Transmitter& t = p.transmitter;
    if (t.pulse != PulseShape::Linear) {
        global["quorvel:pulse"] = pulseChoice(t.pulse).name;
        global["quorvel:rolloff"] = t.rolloff;
        global["quorvel:pulse_span"] = t.span;
    }
    if (t.exactTiming) {
        global["quorvel:exact_timing"] = true;
    }
    if (effectiveSymbolRate(p) != p.symbolRate) {
        global["quorvel:effective_symbol_rate"] = effectiveSymbolRate(p);
    }
    if (t.gray) {
        global["quorvel:gray"] = true;
    }
    if (t.bits != BitSource::Indices) {
        global["quorvel:bit_source"] = bitSourceChoice(t.bits).name;
    }
    if (t.bits == BitSource::File) {
        global["quorvel:bits_file"] = t.bitsFile;
        struct stat status {};
        if (::stat(t.bitsFile.c_str(), &status) == 0) {
            global["quorvel:bits_file_bytes"] = static_cast<std::uint64_t>(status.st_size);
        }
    }
    if (t.snrDefinition != SnrDefinition::PerSample) {
        global["quorvel:snr_definition"] =
            t.snrDefinition == SnrDefinition::EsN0
                ? "Es/N0: energy per symbol over the noise power density; null: no noise"
                : "Eb/N0: energy per bit over the noise power density; null: no noise";
        global["quorvel:snr_reference"] = snrDefinitionChoice(t.snrDefinition).name;
        const double perSample = perSampleSnrDb(p);
        global["quorvel:snr_per_sample_db"] = isNoiseless(perSample) ? nlohmann::ordered_json(nullptr)
                                                                   : nlohmann::ordered_json(perSample);
    }
    if (t.snrReference != SnrReference::Measured) {
        global["quorvel:snr_power"] = snrReferenceChoice(t.snrReference).name;
        if (t.snrDefinition == SnrDefinition::PerSample) {
            global["quorvel:snr_definition"] =
                "noise power per complex sample against the waveform's nominal mean power "
                "(quorvel:nominal_power); null: no noise";
        }
    }
}

void readTransmitter(const nlohmann::json& global, Transmitter& t) {
    if (global.contains("quorvel:pulse")) {
        t.pulse = named(global, "quorvel:pulse", pulseNamed);
        t.rolloff = real(global, "quorvel:rolloff");
        t.span = integer<std::int32_t>(global, "quorvel:pulse_span");
    }
    if (global.contains("quorvel:exact_timing")) {
        t.exactTiming = boolean(global, "quorvel:exact_timing");
    }
    if (global.contains("quorvel:gray")) {
        t.gray = boolean(global, "quorvel:gray");
    }
    if (global.contains("quorvel:bit_source")) {
        const std::string name = text(global, "quorvel:bit_source");
        if (name == bitSourceChoice(BitSource::File).name) {
            t.bits = BitSource::File;
            t.bitsFile = text(global, "quorvel:bits_file");
        } else {
            t.bits = named(global, "quorvel:bit_source", bitSourceNamed);
        }
    }
    if (global.contains("quorvel:snr_reference")) {
        t.snrDefinition = named(global, "quorvel:snr_reference", snrDefinitionNamed);
    }
    if (global.contains("quorvel:snr_power")) {
        t.snrReference = named(global, "quorvel:snr_power", snrReferenceNamed);
    }
}

}  // namespace quorvel
