// What the panel gained beside its stated controls: Enter runs, an "Input Error" puts the focus
// where its message points, the save path's real folder is shown, and the settings line follows
// the transmitter dialog and the chosen scheme.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTest>

#include "app/widgets/TransmitterDialog.h"
#include "gui/support/SmallRunWindow.h"

namespace quorvel {
namespace {

class PanelAdditionsTest : public testing_support::SmallRunWindowTest {
  protected:
    QLabel& label(const char* name) { return *window.findChild<QLabel*>(QString::fromUtf8(name)); }
};

TEST_F(PanelAdditionsTest, EnterInAFieldRunsAndAnInputErrorFocusesTheFieldItNames) {
    QTest::keyClick(&edit(ControlId::SymbolCount), Qt::Key_Return);
    ASSERT_TRUE(messages.shown.empty());
    EXPECT_TRUE(state.ViewerWindow);
    const struct {
        ControlId field;
        const char* message;
    } faults[] = {{ControlId::SnrDb, "Invalid SNR."}, {ControlId::FileCount, "Invalid File Count."},
                  {ControlId::TimingError, "Invalid Timing Error."}};
    for (const auto& f : faults) {
        const QString kept = edit(f.field).text();
        edit(f.field).setText(QStringLiteral("1e"));
        edit(ControlId::SymbolRate).setFocus();
        messages.shown.clear();
        QTest::keyClick(&edit(ControlId::SymbolRate), Qt::Key_Enter);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, QString::fromUtf8(f.message));
        EXPECT_EQ(window.focusWidget(), &edit(f.field)) << f.message;
        edit(f.field).setText(kept);
    }
}

TEST_F(PanelAdditionsTest, TheSavePathsFolderIsShownWholeOrSaidMissing) {
    EXPECT_EQ(label("folderLabel").toolTip(), QDir(QString::fromStdString(folder.str())).canonicalPath());
    edit(ControlId::SavePath).setText(QString::fromStdString(folder.file("missing")));
    EXPECT_EQ(label("folderLabel").text(), QStringLiteral("(no such folder)"));
    EXPECT_EQ(label("timingUnit").text(), QStringLiteral("symbol periods"));
}

TEST_F(PanelAdditionsTest, TheSettingsLineFollowsTheDialogAndTheSchemeAndGmskRunsUnshaped) {
    EXPECT_TRUE(label("settingsLine").text().startsWith(QStringLiteral("Transmitter: straight lines")));
    onModalDialog<TransmitterDialog>(namedButton("transmitterButton"), [](TransmitterDialog& d) {
        d.findChildren<QComboBox*>().at(0)->setCurrentIndex(1);  // rrc
        d.accept();
    });
    EXPECT_TRUE(label("settingsLine").text().contains(QStringLiteral("pulse"))) << label("settingsLine").text().toStdString();
    EXPECT_FALSE(label("settingsLine").text().contains(QStringLiteral("not applied")));
    list(ControlId::ModulationType).setCurrentIndex(5);  // GMSK
    EXPECT_TRUE(label("settingsLine").text().contains(QStringLiteral("GMSK makes its own samples")));
    generate();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].detail.toStdString();
    EXPECT_TRUE(state.ViewerWindow);
}

}  // namespace
}  // namespace quorvel
