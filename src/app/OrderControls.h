#pragma once
// Which scheme-specific controls the main window enables for a modulation type, and the default
// APSK ring radii each APSK order brings with it.

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// The enable state of the five scheme-specific controls, and a radii text to put into the
// "APSK Radii:" field when the rule sets one (nothing: leave the field's text as it is).
struct OrderControlState {
    bool pskListEnabled = false;
    bool fskListEnabled = false;
    bool qamListEnabled = false;
    bool apskListEnabled = false;
    bool radiiFieldEnabled = false;
    std::optional<std::string> newRadiiText;

    friend bool operator==(const OrderControlState&, const OrderControlState&) = default;
};

// The default ring radii text for an APSK list index (0, 1, 2); empty text for any other index.
std::string defaultApskRadiiText(int apskIndex);

// The enable state for a ModulationType value 1 ... 8 (the modulation list's index + 1); with
// APSK (8) the radii field gets the default of the APSK list's selected index. Any other type
// value disables all five controls.
OrderControlState updateOrderControls(std::int32_t modulationType, int apskIndex);

}  // namespace quorvel
