// The generate command on a panel's content: where the files go, what the user is told when
// some cannot be written or the run is cancelled, and that the window is usable again afterwards.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/GenerateCommand.h"
#include "display/widgets/SignalViewer.h"
#include "gui/support/GuiTestSupport.h"
#include "gui/support/LongRuns.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using namespace testing_support;

std::u16string generateCommandAscii(const std::string& text) {
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
    ControlPanelInput longRun(const std::u16string& savePath) {
        ControlPanelInput input = smallRun(savePath);
        input.symbolCount = kLongRunSymbolsText;
        input.fileCount = kLongRunFilesText;
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
    // Folders under the files' names: each file is made, and cannot take its name.
    std::filesystem::create_directory(folder.file("modulated_signal_1.csv"));
    std::filesystem::create_directory(folder.file("modulated_signal_2.csv"));
    ControlPanelInput input = smallRun(generateCommandAscii(folder.str()));
    input.fileCount = u"2";
    command.run(input);
    ASSERT_TRUE(state.ViewerWindow);
    EXPECT_FALSE(state.CurrentSignal.empty());
    ASSERT_EQ(messages.shown.size(), 1U);
    const MessageBoxText& box = messages.shown[0];
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    const QString unwritable = QString::fromStdString(folder.str() + "/modulated_signal_");
    EXPECT_EQ(box.detail, unwritable + QStringLiteral("1.csv: Is a directory\n") + unwritable +
                              QStringLiteral("2.csv: Is a directory"));
}

// A missing folder is said before the run, and no viewer opens on a signal no file holds.
TEST_F(GenerateCommandTest, AMissingFolderIsAnErrorBeforeTheRun) {
    command.run(smallRun(generateCommandAscii(folder.str() + "/missing")));
    EXPECT_FALSE(state.ViewerWindow);
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.shown[0].detail, QString::fromStdString("The folder " + folder.str() + "/missing does not exist."));
}

TEST_F(GenerateCommandTest, LatinOneSavePathNamesTheUtf8Folder) {
    std::filesystem::create_directory(std::filesystem::path(folder.str() + "/caf\xC3\xA9"));
    command.run(smallRun(generateCommandAscii(folder.str()) + u"/caf\u00E9"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(firstFileIn("caf\xC3\xA9")));
}

TEST_F(GenerateCommandTest, CharactersBeyondLatinOneKeepOnlyTheirLowByte) {
    // U+0141 narrows to 0x41, the letter A.
    std::filesystem::create_directory(std::filesystem::path(folder.str() + "/A"));
    command.run(smallRun(generateCommandAscii(folder.str()) + u"/\u0141"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(firstFileIn("A")));
}

TEST_F(GenerateCommandTest, CursorIsRestoredAfterEveryOutcome) {
    ControlPanelInput refused = smallRun(generateCommandAscii(folder.str()));
    refused.timingError = u"5";
    for (const ControlPanelInput& input : {smallRun(generateCommandAscii(folder.str())), refused}) {
        command.run(input);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Signal generation failed."));
}

TEST_F(GenerateCommandTest, CancelKeepsTheFinishedFilesAndOpensNoViewer) {
    command.run(smallRun(generateCommandAscii(folder.str())));
    ASSERT_TRUE(state.ViewerWindow);
    const SampleBuffer mapped = state.MappedSymbols;
    // As a user would: Cancel in the dialog once it shows that a few files are done.
    bool cancelPressed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QProgressDialog* dialog = visibleProgressDialog();
        if (dialog == nullptr || (dialog->value() - dialog->minimum()) * kLongRunFiles <
                                     3 * (dialog->maximum() - dialog->minimum())) {
            return;
        }
        poll.stop();
        dialog->findChild<QPushButton*>()->click();
        cancelPressed = true;
    });
    poll.start(10);
    TempDir runFolder;
    command.run(longRun(generateCommandAscii(runFolder.str())));

    ASSERT_TRUE(cancelPressed);
    EXPECT_EQ(messages.shown, (std::vector<MessageBoxText>{{QStringLiteral("Information"),
                                                            QStringLiteral("Generation cancelled."),
                                                            {},
                                                            MessageIcon::Information}}));
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(state.CurrentSignal.empty());
    EXPECT_TRUE(sameValues(state.MappedSymbols, mapped));
    const std::int32_t kept = expectOnlyWholeFiles(runFolder.path(), kLongRunSamplesPerFile);
    EXPECT_GE(kept, 1);
    EXPECT_LT(kept, kLongRunFiles);
}

TEST_F(GenerateCommandTest, APressWhileARunGoesOnIsIgnoredAndAnAbandonedRunSaysNothing) {
    TempDir other;
    QTimer::singleShot(0, [&] {
        command.run(smallRun(generateCommandAscii(other.str())));
        command.abandonRun();
    });
    command.run(longRun(generateCommandAscii(folder.str())));
    EXPECT_TRUE(std::filesystem::is_empty(other.path()));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(state.CurrentSignal.empty());
    EXPECT_LT(expectOnlyWholeFiles(folder.path(), kLongRunSamplesPerFile), kLongRunFiles);
}

}  // namespace
}  // namespace quorvel
