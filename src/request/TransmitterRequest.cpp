#include "request/TransmitterRequest.h"

#include "common/TransmitterChoices.h"
#include "request/Messages.h"

namespace quorvel {

std::optional<std::string_view> readTransmitter(const TransmitterRequest& request, Transmitter& t) {
    if (!request.pulse) {
        return message::InvalidPulseShape;
    }
    t.pulse = *request.pulse;
    if (request.rolloff.narrow().empty()) {
        t.rolloff = pulseChoice(t.pulse).defaultRolloff;
    } else if (const auto rolloff = request.rolloff.real()) {
        t.rolloff = *rolloff;
    } else {
        return message::InvalidRolloff;
    }
    if (!request.span.narrow().empty()) {
        const auto span = request.span.integer();
        if (!span) {
            return message::InvalidPulseSpan;
        }
        t.span = *span;
    }
    t.exactTiming = request.exactTiming;
    t.gray = request.gray;
    if (!request.bits) {
        return message::InvalidBitSource;
    }
    t.bits = *request.bits;
    if (t.bits == BitSource::File) {
        if (request.bitsFile.empty()) {
            return message::InvalidBitsFile;
        }
        t.bitsFile = request.bitsFile;
    }
    if (!request.snrDefinition) {
        return message::InvalidSnrDefinition;
    }
    t.snrDefinition = *request.snrDefinition;
    if (!request.snrReference) {
        return message::InvalidSnrReference;
    }
    t.snrReference = *request.snrReference;
    return std::nullopt;
}

}  // namespace quorvel
