// The panel's settings line and where an "Input Error" puts the focus, for every message the
// panel's reading can give.

#include <gtest/gtest.h>

#include "app/PanelStatus.h"
#include "request/Messages.h"

namespace quorvel {
namespace {

TEST(PanelSettingsSummary, NamesThePulseAndWhyAKeyedSchemeRunsWithoutIt) {
    ControlPanelInput input;
    EXPECT_EQ(panelSettingsSummary(input),
              "Transmitter: straight lines between the symbols. Impairments: none.");
    input.transmitter.pulseIndex = 1;  // rrc
    input.transmitter.gray = true;
    input.impairments.amplifier = "rapp:2,0.8";
    input.impairments.phaseNoise = "-80@1000";
    const std::string psk = panelSettingsSummary(input);
    EXPECT_NE(psk.find("pulse (roll-off default, span default), Gray coding."), std::string::npos)
        << psk;
    EXPECT_NE(psk.find("Impairments: Amplifier rapp:2,0.8; Phase noise -80@1000."),
              std::string::npos)
        << psk;
    EXPECT_EQ(psk.find("not applied"), std::string::npos);
    input.modulationIndex = 5;  // GMSK
    const std::string gmsk = panelSettingsSummary(input);
    EXPECT_NE(gmsk.find("The pulse is not applied: Pulse shaping applies to PSK, OQPSK, "
                        "Pi/4-DQPSK, QAM and APSK; "
                        "GMSK makes its own samples."),
              std::string::npos)
        << gmsk;
}

TEST(ReadControlPanel, AKeyedSchemeRunsWithoutTheTransmittersPulseWhichLinearSchemesKeep) {
    ControlPanelInput input;
    input.transmitter.pulseIndex = 1;
    for (const auto& [index, shaped] :
         {std::pair{5, false}, std::pair{3, false}, std::pair{0, true}, std::pair{6, true}}) {
        input.modulationIndex = index;
        const ControlPanelReading reading = readControlPanel(input);
        ASSERT_TRUE(reading) << reading.message;
        EXPECT_EQ(reading.parameters->transmitter.pulse != PulseShape::Linear, shaped) << index;
    }
}

TEST(FocusOfMessage, EachMessagePointsAtItsFieldOrDialog) {
    const struct {
        std::string message;
        MessagePlace place;
        ControlId field;
    } cases[] = {
        {std::string(message::InvalidSymbolRate), MessagePlace::Field, ControlId::SymbolRate},
        {std::string(message::InvalidSymbolCount), MessagePlace::Field, ControlId::SymbolCount},
        {std::string(message::InvalidFileCount), MessagePlace::Field, ControlId::FileCount},
        {std::string(message::InvalidSavePath), MessagePlace::Field, ControlId::SavePath},
        {std::string(message::InvalidRolloff), MessagePlace::TransmitterDialog,
         ControlId::SymbolRate},
        {"Phase noise: use L@F", MessagePlace::ImpairmentsDialog, ControlId::SymbolRate},
        {"Something else.", MessagePlace::Nowhere, ControlId::SymbolRate},
    };
    for (const auto& c : cases) {
        const MessageFocus focus = focusOfMessage(c.message);
        EXPECT_EQ(focus.place, c.place) << c.message;
        if (c.place == MessagePlace::Field) {
            EXPECT_EQ(focus.field, c.field) << c.message;
        }
    }
    // A field's reading order message of every panel field leads back to a field of the table.
    ControlPanelInput input;
    input.snrDb = u"x";
    EXPECT_EQ(focusOfMessage(readControlPanel(input).message).field, ControlId::SnrDb);
}

}  // namespace
}  // namespace quorvel
