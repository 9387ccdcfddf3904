#pragma once
// What the desktop's transmitter dialog holds, without Qt: list positions, field texts and
// switches, and the request they make.

#include <string>
#include <string_view>
#include <vector>

#include "request/TransmitterRequest.h"

namespace quorvel {

struct TransmitterInput {
    int pulseIndex = 0;          // into pulseChoices()
    std::u16string rolloff;      // empty: the pulse's default
    std::u16string span;         // empty: the default span
    bool exactTiming = false;
    bool gray = false;
    int bitSourceIndex = 0;      // 0: the panel's data source; then bitSourceChoices() in order
    std::string bitsFile;        // UTF-8
    int snrDefinitionIndex = 0;  // into snrDefinitionChoices()
};

// The request the input makes; its texts are views into input, which must outlive it.
TransmitterRequest transmitterRequest(const TransmitterInput& input);

// The bit source list's items: the panel's data source, then every bit source.
std::vector<std::string_view> bitSourceItems();

}  // namespace quorvel
