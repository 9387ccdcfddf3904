// The waveform dialog as the window uses it: what it chooses reaches the run and its metadata,
// and its button is live only for a scheme with something to choose there.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>
#include <nlohmann/json.hpp>

#include "app/widgets/WaveformDialog.h"
#include "gui/support/SmallRunWindow.h"

namespace quorvel {
namespace {

class WaveformWindowTest : public testing_support::SmallRunWindowTest {
  protected:
    // Opens the dialog, lets choose() set it, and presses OK.
    template <typename Choose>
    void editWaveform(Choose choose) {
        onModalDialog<WaveformDialog>(namedButton("waveformButton"), [choose](WaveformDialog& dialog) {
            choose(dialog);
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
    }

    nlohmann::json recorded() {
        return nlohmann::json::parse(std::ifstream(folder.file("modulated_signal_1.sigmf-meta")))["global"];
    }
};

TEST_F(WaveformWindowTest, TheButtonIsLiveOnlyWithSomethingToChoose) {
    const std::pair<int, bool> cases[] = {{0, true}, {1, false}, {4, false}, {6, true}, {7, true},
                                          {8, true}, {9, true},  {10, true}, {11, true}};
    for (const auto& [index, live] : cases) {
        list(ControlId::ModulationType).setCurrentIndex(index);
        EXPECT_EQ(namedButton("waveformButton").isEnabled(), live) << index;
    }
}

TEST_F(WaveformWindowTest, AnOrderOffThePanelsListAndATonesFrequencyReachTheRun) {
    list(ControlId::ModulationType).setCurrentIndex(7);  // APSK
    editWaveform([](WaveformDialog& d) {
        auto* order = d.findChild<QComboBox*>(QStringLiteral("waveformOrder"));
        order->setCurrentIndex(order->findData(128));
    });
    generate();
    ASSERT_TRUE(messages.shown.empty());
    EXPECT_EQ(recorded()["quorvel:apsk_order"], 128);
    EXPECT_EQ(recorded()["quorvel:apsk_radii"], "1.0 1.6 2.2 2.8 3.4 4.2");

    list(ControlId::ModulationType).setCurrentIndex(11);  // tone
    editWaveform([](WaveformDialog& d) { d.findChild<QLineEdit*>(QStringLiteral("tone"))->setText(QStringLiteral("2500")); });
    generate();
    ASSERT_TRUE(messages.shown.empty());
    EXPECT_EQ(recorded()["quorvel:modulation"], "tone");
    EXPECT_EQ(recorded()["quorvel:tone"], 2500.0);

    list(ControlId::ModulationType).setCurrentIndex(9);  // ASK
    editWaveform([](WaveformDialog& d) {
        auto* order = d.findChild<QComboBox*>(QStringLiteral("waveformOrder"));
        order->setCurrentIndex(order->findData(32));
    });
    generate();
    EXPECT_EQ(recorded()["quorvel:order"], 32);
}

}  // namespace
}  // namespace quorvel
