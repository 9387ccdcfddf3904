#pragma once
// The transmitter settings as a front end hands them over: choices, field texts and switches.
// An empty roll-off or span text takes the default (the roll-off's depends on the pulse).

#include <optional>
#include <string>
#include <string_view>

#include "common/Transmitter.h"
#include "request/FieldText.h"

namespace quorvel {

struct TransmitterRequest {
    std::optional<PulseShape> pulse = PulseShape::Linear;
    FieldText rolloff{};
    FieldText span{};
    bool exactTiming = false;
    bool gray = false;
    std::optional<BitSource> bits = BitSource::Indices;
    std::string bitsFile{};
    std::optional<SnrDefinition> snrDefinition = SnrDefinition::PerSample;
    std::optional<SnrReference> snrReference = SnrReference::Measured;
};

// Reads the request into transmitter; the message of the first malformed value, or nothing.
std::optional<std::string_view> readTransmitter(const TransmitterRequest& request, Transmitter& transmitter);

}  // namespace quorvel
