#pragma once
// Turns what the control panel shows (the texts of its edit fields and the positions of its
// lists) into the settings of one run, or into the message naming the first field that does
// not hold a well-formed value, through the request layer.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "app/TransmitterInput.h"
#include "request/ImpairmentSettings.h"
#include "request/SettingsRequest.h"

namespace quorvel {

// The control panel's content. The defaults are the panel's state at start-up.
struct ControlPanelInput {
    ControlPanelInput();

    // Edit field texts as typed (UTF-16).
    std::u16string symbolRate;
    std::u16string samplingRate;
    std::u16string apskRadii;
    std::u16string symbolCount;
    std::u16string snrDb;
    std::u16string mixingFrequency;
    std::u16string timingError;
    std::u16string frequencyOffset;
    std::u16string fileCount;
    std::u16string savePath;
    // Selected list positions, 0-based; -1 means nothing is selected.
    int modulationIndex;
    int pskIndex;
    int fskIndex;
    int qamIndex;
    int apskIndex;
    int dataSourceIndex;
    int outputFormatIndex;
    // The waveform dialog's choices: the order of a family with no list on the panel (nothing:
    // its default), or an order off the chosen scheme's list, which then stands in for the
    // list's; and the parameter texts by name.
    std::optional<std::int32_t> waveformOrder;
    std::map<std::string, std::u16string, std::less<>> waveformValues;
    // The analog families' message text (empty or "noise": the noise message) and sideband.
    std::u16string analogMessage;
    bool lowerSideband = false;
    // The transmitter dialog's settings.
    TransmitterInput transmitter{};
    // The impairments dialog's texts, read after the panel's fields; all empty at start.
    ImpairmentTexts impairments{};
};

using ControlPanelReading = SettingsReading;

// The folder the save path field names: its first kFieldTextLimit units, each unit's low byte
// taken as a Latin-1 character, in UTF-8.
std::string panelFolder(const std::u16string& savePath);

// Reads the fields in the panel's fixed order, then the impairments, and stops at the first
// invalid one.
ControlPanelReading readControlPanel(const ControlPanelInput& input);

}  // namespace quorvel
