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
    const auto setAmplifier = [](const char* text) {
        return [text](ImpairmentsDialog& d) {
            d.field(ImpairmentSetting::Amplifier).setText(QString::fromUtf8(text));
        };
    };
    editImpairments(setAmplifier("rapp:0,1"), true);
    generate();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Input Error"));
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Amplifier: use rapp:P,A")))
        << messages.shown[0].text.toStdString();

    // A cancelled edit leaves the accepted text; the dialog opens on it.
    editImpairments(setAmplifier("rapp:2,0.5"), false);
    editImpairments(
        [](ImpairmentsDialog& d) {
            EXPECT_EQ(d.field(ImpairmentSetting::Amplifier).text(), QStringLiteral("rapp:0,1"));
            d.field(ImpairmentSetting::Amplifier).setText(QStringLiteral("rapp:2,0.5"));
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

}  // namespace
}  // namespace quorvel
