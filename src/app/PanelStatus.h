#pragma once
// What the control panel says beside its fields, without Qt: a line naming the transmitter and
// impairment settings a run would use, and which field or dialog a message is about.

#include <string>
#include <string_view>

#include "app/ControlPanelReader.h"
#include "app/ControlTable.h"

namespace quorvel {

// "Transmitter: root raised cosine pulse (roll-off 0.35, span 10), Gray coding. Impairments:
// Amplifier rapp:2,0.8; Phase noise -80@1000." The pulse of a scheme it does not shape is named
// with the reason it is left out, in the command line's own words.
std::string panelSettingsSummary(const ControlPanelInput& input);

// Where the user mends what a reading's message names.
enum class MessagePlace { Field, TransmitterDialog, ImpairmentsDialog, Nowhere };

struct MessageFocus {
    MessagePlace place = MessagePlace::Nowhere;
    ControlId field = ControlId::SymbolRate;  // for MessagePlace::Field
};

// The place of a message of readControlPanel.
MessageFocus focusOfMessage(std::string_view message);

}  // namespace quorvel
