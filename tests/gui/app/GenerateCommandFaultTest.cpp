// The desktop's generate command under the file faults of the shared table: the viewer opens on
// the signal and one warning box lists exactly the files that failed, each with its reason.

#include <gtest/gtest.h>

#include <QStringList>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <new>
#include <string>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/GenerateCommand.h"
#include "display/widgets/SignalViewer.h"
#include "gui/support/GuiTestSupport.h"
#include "support/FileFaultCases.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using namespace testing_support;

std::u16string generateCommandFaultAscii(const std::string& text) {
    return {text.begin(), text.end()};
}

ControlPanelInput generateCommandFaultFaultRun(const std::string& savePath, std::int32_t fileCount) {
    ControlPanelInput input;
    input.symbolCount = u"300";
    input.fileCount = generateCommandFaultAscii(std::to_string(fileCount));
    input.savePath = generateCommandFaultAscii(savePath);
    return input;
}

TEST(GenerateCommandFaults, TheWarningListsEveryFailedFileAndNoOther) {
    for (const FileFaultCase& c : fileFaultCases()) {
        // The desktop process keeps its privileges and limits; those cases run through the core.
        if (c.needsChildProcess()) {
            continue;
        }
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string savePath = c.prepare(dir);
        RecordingPresenter messages;
        ApplicationState state{seededSequence(7)};
        GenerateCommand command{state, messages};
        command.run(generateCommandFaultFaultRun(savePath, c.fileCount));

        EXPECT_TRUE(state.ViewerWindow);
        EXPECT_EQ(state.CurrentSignal.size(), 3000U);
        ASSERT_EQ(messages.shown.size(), 1U);
        const MessageBoxText& box = messages.shown[0];
        EXPECT_EQ(box.caption, QStringLiteral("Warning"));
        EXPECT_EQ(box.icon, MessageIcon::Warning);
        QStringList expected;
        for (const ExpectedFailure& failure : c.failures) {
            expected << QString::fromStdString(samplePath(savePath, failure.fileNumber) + ": " + failure.reason);
        }
        EXPECT_EQ(box.detail, expected.join(QLatin1Char('\n')));
        for (std::int32_t k = 1; k <= c.fileCount; ++k) {
            const bool failed = std::any_of(c.failures.begin(), c.failures.end(),
                                            [k](const ExpectedFailure& f) { return f.fileNumber == k; });
            if (!failed) {
                EXPECT_GT(std::filesystem::file_size(samplePath(savePath, k)), 3000U * 4U) << k;
            }
        }
        delete state.ViewerWindow.data();
    }
}

// U+4E00 narrows to a NUL byte; cut there, the name would be the file "x" beside the folder.
TEST(GenerateCommandFaults, ASavePathNarrowedToANulIsRefusedAndWritesNothing) {
    TempDir dir;
    RecordingPresenter messages;
    ApplicationState state{seededSequence(7)};
    GenerateCommand command{state, messages};
    ControlPanelInput input = generateCommandFaultFaultRun(dir.str(), 1);
    input.savePath += u"/x\u4e00";
    command.run(input);
    EXPECT_FALSE(state.ViewerWindow);
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Signal generation failed."));
    EXPECT_TRUE(messages.shown[0].detail.contains(QStringLiteral("NUL"))) << messages.shown[0].detail.toStdString();
    EXPECT_FALSE(std::filesystem::exists(dir.file("x")));
}

// The run's thread must not end the program with an exception, and the user hears of it as of
// any refusal.
TEST(GenerateCommandFaults, AnExceptionOnTheRunsThreadIsARefusal) {
    TempDir dir;
    RecordingPresenter messages;
    ApplicationState state{[]() -> std::uint32_t { throw std::bad_alloc(); }};
    GenerateCommand command{state, messages};
    command.run(generateCommandFaultFaultRun(dir.str(), 1));
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(state.CurrentSignal.empty());
    EXPECT_EQ(messages.shown,
              (std::vector<MessageBoxText>{
                  {QStringLiteral("Error"), QStringLiteral("Signal generation failed."),
                   QStringLiteral("std::bad_alloc"), MessageIcon::Error}}));
}

// A size limit ends the run (no later file could be written): no viewer, and the warning says
// why the run stopped and which files were kept.
TEST(GenerateCommandFaults, ARunStoppedByASizeLimitSaysWhatWasKept) {
    TempDir dir;
    RecordingPresenter messages;
    ApplicationState state{seededSequence(7)};
    GenerateCommand command{state, messages};
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit limit{20000, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    command.run(generateCommandFaultFaultRun(dir.str(), 3));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_FALSE(state.ViewerWindow);
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(messages.shown[0].detail.toStdString(),
              samplePath(dir.str(), 1) + ": File too large\nThe disk is full or a file-size limit was reached, so "
                                         "the run stopped. Kept:");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quorvel
