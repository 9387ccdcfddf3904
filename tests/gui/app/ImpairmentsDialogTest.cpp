// The "Impairments..." button and its dialog: where the button sits, and that what the dialog
// accepts reaches the run, is checked with the panel's fields, and is kept when it is cancelled.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <functional>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/ImpairmentsDialog.h"
#include "app/widgets/MainWindow.h"
#include "gui/support/GuiTestSupport.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::findControl;

class ImpairmentsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        edit(ControlId::SymbolCount).setText(QStringLiteral("40"));
        edit(ControlId::SnrDb).setText(QStringLiteral("inf"));
        edit(ControlId::SavePath).setText(QString::fromStdString(folder.str()));
    }

    QLineEdit& edit(ControlId id) { return *findControl<QLineEdit>(window, static_cast<int>(id)); }
    QPushButton& impairmentsButton() {
        return *window.findChild<QPushButton*>(QStringLiteral("impairmentsButton"));
    }

    // Opens the dialog from the button, lets change edit it, then accepts or cancels it.
    void editImpairments(const std::function<void(ImpairmentsDialog&)>& change, bool accept) {
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<ImpairmentsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            change(*dialog);
            accept ? dialog->accept() : dialog->reject();
        });
        impairmentsButton().click();
    }

    testing_support::TempDir folder;
    testing_support::RecordingPresenter messages;
    ApplicationState state{seededSequence(5)};
    MainWindow window{state, &messages};
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
    findControl<QPushButton>(window, 116)->click();
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
    findControl<QPushButton>(window, 116)->click();
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
