// The generate command on a panel's content: where the files go, what the user is told when
// some cannot be written, and that the window is usable again afterwards.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>
#include <string>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/GenerateCommand.h"
#include "display/widgets/SignalViewer.h"
#include "gui/support/GuiTestSupport.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::RecordingPresenter;
using testing_support::TempDir;

std::u16string ascii(const std::string& text) {
    return {text.begin(), text.end()};
}

class GenerateCommandTest : public ::testing::Test {
  protected:
    ControlPanelInput smallRun(const std::u16string& savePath) {
        ControlPanelInput input;
        input.symbolCount = u"30";
        input.savePath = savePath;
        return input;
    }
    std::filesystem::path firstFileIn(const std::string& folderUtf8) const {
        return std::filesystem::path(folder.str() + "/" + folderUtf8) / "modulated_signal_1.csv";
    }

    TempDir folder;
    RecordingPresenter messages;
    ApplicationState state{seededSequence(99)};
    GenerateCommand command{state, messages};
};

TEST_F(GenerateCommandTest, UnwritableFilesAreListedWhileTheViewerStillOpens) {
    ControlPanelInput input = smallRun(ascii(folder.str() + "/missing"));
    input.fileCount = u"2";
    command.run(input);
    ASSERT_TRUE(state.ViewerWindow);
    EXPECT_FALSE(state.CurrentSignal.empty());
    ASSERT_EQ(messages.shown.size(), 1U);
    const MessageBoxText& box = messages.shown[0];
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    const QString missing = QString::fromStdString(folder.str() + "/missing/modulated_signal_");
    EXPECT_EQ(box.detail, missing + QStringLiteral("1.csv: No such file or directory\n") + missing +
                              QStringLiteral("2.csv: No such file or directory"));
}

TEST_F(GenerateCommandTest, LatinOneSavePathNamesTheUtf8Folder) {
    std::filesystem::create_directory(std::filesystem::path(folder.str() + "/caf\xC3\xA9"));
    command.run(smallRun(ascii(folder.str()) + u"/caf\u00E9"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(firstFileIn("caf\xC3\xA9")));
}

TEST_F(GenerateCommandTest, CharactersBeyondLatinOneKeepOnlyTheirLowByte) {
    // U+0141 narrows to 0x41, the letter A.
    std::filesystem::create_directory(std::filesystem::path(folder.str() + "/A"));
    command.run(smallRun(ascii(folder.str()) + u"/\u0141"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(firstFileIn("A")));
}

TEST_F(GenerateCommandTest, CursorIsRestoredAfterEveryOutcome) {
    ControlPanelInput refused = smallRun(ascii(folder.str()));
    refused.timingError = u"5";
    for (const ControlPanelInput& input : {smallRun(ascii(folder.str())), refused}) {
        command.run(input);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Signal generation failed."));
}

}  // namespace
}  // namespace quorvel
