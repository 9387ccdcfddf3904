#include "synthesis/TransmitterCheck.h"

#include <bit>

#include "channel/PulseShapes.h"
#include "common/NumberText.h"
#include "common/TransmitterChoices.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/BitSources.h"

namespace quorvel {
namespace {

std::optional<std::string> pulseRefusal(const SignalParameters& p) {
    const Transmitter& t = p.transmitter;
    if (t.pulse == PulseShape::Linear) {
        return std::nullopt;
    }
    if (auto refusal = pulseShapingRefusal(p.modulationType)) {
        return refusal;
    }
    const PulseChoice& pulse = pulseChoice(t.pulse);
    if (!(t.rolloff > 0.0 && t.rolloff <= kMaxRolloff)) {
        return "The " + std::string(pulse.rolloffWord) + " of the " + std::string(pulse.name) +
               " pulse must lie above 0 and at most " + numberText(kMaxRolloff) + " (it is " + numberText(t.rolloff) +
               ").";
    }
    if (t.span < 1 || t.span > kMaxPulseSpanSymbols) {
        return "The pulse span must be 1 to " + std::to_string(kMaxPulseSpanSymbols) + " symbols (it is " +
               std::to_string(t.span) + ").";
    }
    if (!(p.samplingRate >= p.symbolRate)) {
        return "A shaped pulse needs at least one sample per symbol (the sampling rate " + numberText(p.samplingRate) +
               " Hz is below the symbol rate " + numberText(p.symbolRate) + " Hz).";
    }
    return std::nullopt;
}

std::optional<std::string> bitsRefusal(const SignalParameters& p) {
    const Transmitter& t = p.transmitter;
    if (t.bits == BitSource::Indices) {
        return std::nullopt;
    }
    const std::int32_t m = alphabetSize(p);
    if (!std::has_single_bit(static_cast<std::uint32_t>(m))) {
        return "A bit source needs an alphabet of a power of two symbols (it has " + std::to_string(m) + ").";
    }
    if (t.bits == BitSource::File) {
        if (t.bitsFile.empty()) {
            return std::string("The bits file has no name.");
        }
        return payloadRefusal(t.bitsFile, bitsPerSymbol(m));
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> transmitterRefusal(const SignalParameters& p) {
    if (auto reason = pulseRefusal(p)) {
        return reason;
    }
    if (p.transmitter.gray) {
        const GrayChoice choice = grayChoice(p);
        if (!choice.map) {
            return "Gray coding is not offered for " + std::string(choice.whyNone) + ".";
        }
    }
    return bitsRefusal(p);
}

double pulsePeakGain(const SignalParameters& p) {
    if (!shapesPulses(p)) {
        return 1.0;
    }
    const Transmitter& t = p.transmitter;
    return PulseFilter(t.pulse, t.rolloff, t.span, p.samplingRate / p.symbolRate).peakGain();
}

}  // namespace quorvel
