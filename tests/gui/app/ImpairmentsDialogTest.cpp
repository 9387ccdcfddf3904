// The "Impairments..." button and its dialog: where the button sits, and that what the dialog
// accepts reaches the run, is checked with the panel's fields, and is kept when it is cancelled.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <functional>

#include "app/widgets/ImpairmentsDialog.h"
#include "gui/support/SmallRunWindow.h"

namespace quorvel {
namespace {

class ImpairmentsDialogTest : public testing_support::SmallRunWindowTest {
  protected:
    ImpairmentsDialogTest() : SmallRunWindowTest(5) {}

    void SetUp() override {
        SmallRunWindowTest::SetUp();
        edit(ControlId::SnrDb).setText(QStringLiteral("inf"));
    }

    QPushButton& impairmentsButton() { return namedButton("impairmentsButton"); }

    // Opens the dialog from the button, lets change edit it, then accepts or cancels it.
    void editImpairments(const std::function<void(ImpairmentsDialog&)>& change, bool accept) {
        onModalDialog<ImpairmentsDialog>(impairmentsButton(), [&](ImpairmentsDialog& dialog) {
            change(dialog);
            accept ? dialog.accept() : dialog.reject();
        });
    }
};

TEST_F(ImpairmentsDialogTest, ButtonSitsBelowTheStatedControlsOverlappingNone) {
    EXPECT_EQ(impairmentsButton().geometry(), QRect(230, 630, 200, 30));
    EXPECT_EQ(impairmentsButton().text(), QStringLiteral("Impairments..."));
    for (const QWidget* control :
         window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control != &impairmentsButton() && control->isVisible()) {
            EXPECT_FALSE(control->geometry().intersects(impairmentsButton().geometry()))
                << control->objectName().toStdString();
        }
    }
}

TEST_F(ImpairmentsDialogTest, AcceptedTextsAreCheckedAndRunCancelledOnesAreDropped) {
    const auto setAmplifier = [](const char* p, const char* a) {
        return [p, a](ImpairmentsDialog& d) {
            d.number(ImpairmentSetting::Amplifier, 0).setText(QString::fromUtf8(p));
            d.number(ImpairmentSetting::Amplifier, 1).setText(QString::fromUtf8(a));
        };
    };
    editImpairments(setAmplifier("0", "1"), true);
    generate();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Input Error"));
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Amplifier: use rapp:P,A")))
        << messages.shown[0].text.toStdString();

    // A cancelled edit leaves the accepted text; the dialog opens on it.
    editImpairments(setAmplifier("2", "0.5"), false);
    editImpairments(
        [&](ImpairmentsDialog& d) {
            EXPECT_EQ(d.number(ImpairmentSetting::Amplifier, 0).text(), QStringLiteral("0"));
            EXPECT_EQ(d.number(ImpairmentSetting::Amplifier, 1).text(), QStringLiteral("1"));
            setAmplifier("2", "0.5")(d);
        },
        true);
    messages.shown.clear();
    generate();
    ASSERT_TRUE(messages.shown.empty()) << messages.shown[0].text.toStdString();
    ASSERT_FALSE(state.CurrentSignal.empty());
    // Compressed towards A = 0.5, which the unit-circle QPSK points would exceed.
    double peak = 0.0;
    for (const ComplexSample& s : state.CurrentSignal) {
        peak = std::fmax(peak, std::hypot(s.i, s.q));
    }
    EXPECT_LT(peak, 0.5);
    EXPECT_GT(peak, 0.4);
}

TEST_F(ImpairmentsDialogTest, FieldsAreCheckedAsTheyAreTypedAgainstThePanelsSamplingRate) {
    ImpairmentsDialog dialog(ImpairmentTexts{}, &window);
    dialog.setSamplingRateText(QStringLiteral("1000"));
    const auto okButton = [&dialog] {
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            if (b->text().contains(QStringLiteral("OK"))) {
                return b;
            }
        }
        return static_cast<QPushButton*>(nullptr);
    };
    ASSERT_NE(okButton(), nullptr);
    EXPECT_TRUE(dialog.problem().isEmpty());
    EXPECT_TRUE(okButton()->isEnabled());
    const struct {
        ImpairmentSetting setting;
        int part;
        const char* text;
        const char* named;  // the message's start; empty: no fault
    } typed[] = {
        {ImpairmentSetting::PhaseNoise, 0, "-80", "Phase noise:"},  // the offset is still missing
        {ImpairmentSetting::PhaseNoise, 1, "600", "Phase noise:"},  // above half of 1000 Hz
        {ImpairmentSetting::PhaseNoise, 1, "400", ""},
        {ImpairmentSetting::IqImbalance, 1, "50", "IQ imbalance:"},
        {ImpairmentSetting::IqImbalance, 0, "1", "IQ imbalance:"},  // 50 degrees is beyond 45
        {ImpairmentSetting::IqImbalance, 1, "-3", ""},
    };
    for (const auto& t : typed) {
        dialog.number(t.setting, t.part).setText(QString::fromUtf8(t.text));
        SCOPED_TRACE(t.text);
        if (*t.named == '\0') {
            EXPECT_TRUE(dialog.problem().isEmpty()) << dialog.problem().toStdString();
        } else {
            EXPECT_TRUE(dialog.problem().startsWith(QString::fromUtf8(t.named)))
                << dialog.problem().toStdString();
        }
        EXPECT_EQ(okButton()->isEnabled(), *t.named == '\0');
    }
    const ImpairmentTexts texts = dialog.texts();
    EXPECT_EQ(texts.phaseNoise, "-80@400");
    EXPECT_EQ(texts.iqImbalance, "1,-3");
    EXPECT_TRUE(texts.amplifier.empty());
    dialog.fadingModel().setCurrentIndex(2);
    dialog.number(ImpairmentSetting::Fading).setText(QStringLiteral("4"));
    dialog.number(ImpairmentSetting::Doppler).setText(QStringLiteral("20"));
    EXPECT_EQ(dialog.texts().fading, "rician:4");
    EXPECT_TRUE(dialog.problem().isEmpty()) << dialog.problem().toStdString();
    // Reopened on its own texts, the dialog shows the same numbers.
    const ImpairmentsDialog again(dialog.texts(), &window);
    EXPECT_EQ(again.texts(), dialog.texts());
}

}  // namespace
}  // namespace quorvel
