#pragma once
// The main window set up for small runs into a folder of its own: what the tests of the window
// and of its dialogs start from.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdint>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/MainWindow.h"
#include "gui/support/GuiTestSupport.h"
#include "support/TempDir.h"

namespace quorvel::testing_support {

class SmallRunWindowTest : public ::testing::Test {
  protected:
    explicit SmallRunWindowTest(std::uint32_t seed = 2024) : state{seededSequence(seed)} {}

    void SetUp() override {
        window.show();
        edit(ControlId::SymbolCount).setText(QStringLiteral("40"));
        edit(ControlId::SavePath).setText(QString::fromStdString(folder.str()));
    }

    QLineEdit& edit(ControlId id) { return *findControl<QLineEdit>(window, static_cast<int>(id)); }
    QComboBox& list(ControlId id) { return *findControl<QComboBox>(window, static_cast<int>(id)); }
    QPushButton& namedButton(const char* name) { return *window.findChild<QPushButton*>(QString::fromUtf8(name)); }
    void generate() { findControl<QPushButton>(window, 116)->click(); }

    // Clicks opener and, once the modal Dialog it opens is up, hands it to handle, which closes it.
    template <typename Dialog, typename Handle>
    void onModalDialog(QPushButton& opener, Handle handle) {
        QTimer::singleShot(0, [handle] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            handle(*dialog);
        });
        opener.click();
    }

    TempDir folder;
    RecordingPresenter messages;
    ApplicationState state;
    MainWindow window{state, &messages};
};

}  // namespace quorvel::testing_support
