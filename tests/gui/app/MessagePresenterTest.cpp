// The on-screen presenter: each message becomes a modal box with the right caption, texts, icon
// and a single OK button. A timer inspects and closes the box, so the test does not block.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include "app/widgets/MessagePresenter.h"

namespace quorvel {
namespace {

struct SeenBox {
    QString caption;
    QString text;
    QString detail;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
};

SeenBox presentAndClose(const MessageBoxText& message, QWidget* owner) {
    SeenBox seen;
    QTimer::singleShot(0, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen = {box->windowTitle(),     box->text(),        box->informativeText(), box->icon(),
                    box->standardButtons(), box->parentWidget()};
            box->accept();
        } else if (modal != nullptr) {
            modal->close();  // not a message box: the checks below fail, the test goes on
        }
    });
    DialogMessagePresenter(owner).present(message);
    return seen;
}

TEST(DialogMessagePresenter, ShowsOneOkBoxWithCaptionTextsAndIcon) {
    QWidget owner;
    owner.show();
    struct Case {
        MessageBoxText message;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {{"Input Error", "Invalid SNR.", "", MessageIcon::None}, QMessageBox::NoIcon},
        {{"Information", "Generation cancelled.", "", MessageIcon::Information},
         QMessageBox::Information},
        {{"Error", "Signal generation failed.", "Timing error 5 is outside -1 ... 1.",
          MessageIcon::Error},
         QMessageBox::Critical},
        {{"Warning", "Some sample files could not be written.", "/x/a.csv: denied",
          MessageIcon::Warning},
         QMessageBox::Warning},
    };
    for (const Case& c : cases) {
        const SeenBox seen = presentAndClose(c.message, &owner);
        EXPECT_EQ(seen.caption, c.message.caption);
        EXPECT_EQ(seen.text, c.message.text);
        EXPECT_EQ(seen.detail, c.message.detail);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(seen.owner, &owner);
    }
}

TEST(DialogMessagePresenter, BoxIsWideEnoughForItsCaptionBesideTheTitleBarButtons) {
    QWidget owner;
    owner.show();
    // The title bar's text in the bold font window managers commonly use, and an icon and three
    // buttons of up to 30 pixels each beside it.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    const MessageBoxText messages[] = {
        {"Input Error", "Invalid SNR.", "", MessageIcon::None},
        {"Error", "Signal generation failed.", "Timing error 5 is outside -1 ... 1.",
         MessageIcon::Error},
        {"Information", "Generation cancelled.", "", MessageIcon::Information},
        {"A caption much longer than the text below it", "x", "", MessageIcon::Warning},
    };
    for (const MessageBoxText& message : messages) {
        const auto box = makeMessageBox(message, &owner);
        box->show();
        EXPECT_GE(box->width(), title.horizontalAdvance(message.caption) + 4 * 30)
            << message.caption.toStdString();
        // The texts still fit inside.
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(message.text))
            << message.caption.toStdString();
        box->close();
    }
}

}  // namespace
}  // namespace quorvel
