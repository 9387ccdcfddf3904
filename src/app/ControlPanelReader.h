#pragma once
// Turns what the control panel shows (the texts of its edit fields and the positions of its
// lists) into the settings of one run, or into the message naming the first field that does
// not hold a well-formed value. Only the form of each number is checked here; whether the
// values make sense is the pipeline's decision.

#include <cstddef>
#include <optional>
#include <string>

#include "synthesis/SignalParameters.h"

namespace quorvel {

// A field holds at most this many UTF-16 code units; anything beyond is never read.
inline constexpr std::size_t kFieldTextLimit = 255;

// The control panel's content. The defaults are the panel's state at start-up.
struct ControlPanelInput {
    // Edit field texts as typed (UTF-16).
    std::u16string symbolRate = u"1000";
    std::u16string samplingRate = u"10000";
    std::u16string apskRadii = u"0.3 0.7 1.2";
    std::u16string symbolCount = u"10000";
    std::u16string snrDb = u"30";
    std::u16string mixingFrequency = u"0";
    std::u16string timingError = u"0";
    std::u16string frequencyOffset = u"0";
    std::u16string fileCount = u"1";
    std::u16string savePath = u".";
    // Selected list positions, 0-based; -1 means nothing is selected.
    int modulationIndex = 0;
    int pskIndex = 1;
    int fskIndex = 0;
    int qamIndex = 0;
    int apskIndex = 0;
    int dataSourceIndex = 0;
    int outputFormatIndex = 0;
};

// The outcome of reading the panel: the settings when every field is well formed, otherwise
// the message of the first field that is not (to show in an "Input Error" box).
struct ControlPanelReading {
    std::optional<SignalParameters> parameters;
    std::string message;  // empty when parameters holds a value

    explicit operator bool() const { return parameters.has_value(); }
};

// Reads the fields in the panel's fixed order and stops at the first invalid one. Infinite or
// not-a-number values are invalid, except an SNR of +infinity, which asks for no noise.
ControlPanelReading readControlPanel(const ControlPanelInput& input);

}  // namespace quorvel
