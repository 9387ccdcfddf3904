#pragma once
// The transmitter settings' choices: each value's command-line and metadata word, its caption in
// the desktop's transmitter dialog, and the facts that belong to it (a pulse's default width
// parameter, a PRBS's polynomial).

#include <optional>
#include <span>
#include <string_view>

#include "common/Transmitter.h"

namespace quorvel {

struct PulseChoice {
    PulseShape value;
    std::string_view name;
    std::string_view caption;
    double defaultRolloff;           // what --rolloff means when not given
    std::string_view rolloffWord;    // what the width parameter is called for this pulse
};

// x^length + x^tap + 1, the register started from all ones.
struct BitSourceChoice {
    BitSource value;
    std::string_view name;
    std::string_view caption;
    int length = 0;  // 0: not a shift register
    int tap = 0;
    bool inverted = false;  // every bit of the register's output inverted
};

struct SnrDefinitionChoice {
    SnrDefinition value;
    std::string_view name;
    std::string_view caption;
};

struct SnrReferenceChoice {
    SnrReference value;
    std::string_view name;
};

std::span<const PulseChoice> pulseChoices();
std::span<const BitSourceChoice> bitSourceChoices();  // the shift registers, then the file
std::span<const SnrDefinitionChoice> snrDefinitionChoices();
std::span<const SnrReferenceChoice> snrReferenceChoices();

const PulseChoice& pulseChoice(PulseShape pulse);
const BitSourceChoice& bitSourceChoice(BitSource source);  // also for Indices
const SnrDefinitionChoice& snrDefinitionChoice(SnrDefinition definition);
const SnrReferenceChoice& snrReferenceChoice(SnrReference reference);

std::optional<PulseShape> pulseNamed(std::string_view name);
std::optional<BitSource> bitSourceNamed(std::string_view name);  // the registers only
std::optional<SnrDefinition> snrDefinitionNamed(std::string_view name);
std::optional<SnrReference> snrReferenceNamed(std::string_view name);

}  // namespace quorvel
