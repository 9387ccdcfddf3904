// The transmitter dialog and the status line: the dialog gives back what it was given and what is
// chosen in it, the main window's run takes the accepted settings, and a keyed scheme whose rate
// cannot be kept says so below the button.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/widgets/TransmitterDialog.h"
#include "gui/support/GuiTestSupport.h"
#include "gui/support/SmallRunWindow.h"

namespace quorvel {
namespace {

TEST(TransmitterDialog, GivesBackItsInputAndNamesTheGaussianWidthBt) {
    TransmitterInput given;
    given.pulseIndex = 3;  // gaussian
    given.rolloff = u"0.5";
    given.span = u"6";
    given.gray = true;
    given.bitSourceIndex = 3;  // PRBS 15
    given.snrDefinitionIndex = 2;
    TransmitterDialog dialog(given, nullptr);
    const TransmitterInput shown = dialog.input();
    EXPECT_EQ(shown.pulseIndex, 3);
    EXPECT_EQ(shown.rolloff, u"0.5");
    EXPECT_EQ(shown.span, u"6");
    EXPECT_TRUE(shown.gray);
    EXPECT_FALSE(shown.exactTiming);
    EXPECT_EQ(shown.bitSourceIndex, 3);
    EXPECT_EQ(shown.snrDefinitionIndex, 2);
    bool namesBt = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        namesBt = namesBt || label->text() == QStringLiteral("BT:");
    }
    EXPECT_TRUE(namesBt);
}

class TransmitterWindowTest : public testing_support::SmallRunWindowTest {
  protected:
    QString statusLine() { return window.findChild<QLabel*>(QStringLiteral("statusLine"))->text(); }

    // Opens the dialog, lets choose() set it, and presses OK.
    template <typename Choose>
    void editTransmitter(Choose choose) {
        onModalDialog<TransmitterDialog>(namedButton("transmitterButton"), [choose](TransmitterDialog& dialog) {
            choose(dialog);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
    }

    nlohmann::json recorded() {
        return nlohmann::json::parse(std::ifstream(folder.file("modulated_signal_1.sigmf-meta")))["global"];
    }

};

TEST_F(TransmitterWindowTest, TheRunTakesTheAcceptedSettings) {
    editTransmitter([](TransmitterDialog& d) {
        d.findChildren<QComboBox*>().at(0)->setCurrentIndex(1);  // rrc
        d.findChildren<QComboBox*>().at(1)->setCurrentIndex(1);  // PRBS 7
    });
    generate();
    ASSERT_TRUE(messages.shown.empty());
    EXPECT_EQ(recorded()["quorvel:pulse"], "rrc");
    EXPECT_EQ(recorded()["quorvel:bit_source"], "prbs7");
    EXPECT_TRUE(statusLine().isEmpty());
}

TEST_F(TransmitterWindowTest, StatusLineWarnsUntilExactTimingKeepsTheRate) {
    list(ControlId::ModulationType).setCurrentIndex(4);  // MSK
    edit(ControlId::SymbolRate).setText(QStringLiteral("3000"));
    generate();
    EXPECT_TRUE(statusLine().contains(QStringLiteral("3333.33 Hz, not 3000 Hz"))) << statusLine().toStdString();
    editTransmitter([](TransmitterDialog& d) { d.findChildren<QCheckBox*>().at(0)->setChecked(true); });
    generate();
    EXPECT_TRUE(statusLine().isEmpty());
    EXPECT_EQ(recorded()["quorvel:exact_timing"], true);
}

}  // namespace
}  // namespace quorvel
