#include "app/widgets/MessagePresenter.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace quorvel {
namespace {

// The window manager's icon and buttons beside the caption, with room to spare [pixels].
constexpr int kTitleBarButtonsRoom = 150;

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const MessageBoxText& message, QWidget* owner) {
    auto box = std::make_unique<QMessageBox>(boxIcon(message.icon), message.caption, message.text,
                                             QMessageBox::Ok, owner);
    box->setInformativeText(message.detail);
    // QMessageBox fixes its own size from its layout when shown, so a minimum width set on the
    // box is overridden; a strut in the layout is not. It goes in last: setting the texts may
    // rebuild the layout.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(captionFittingWidth(message.caption), 0, QSizePolicy::Fixed,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

int captionFittingWidth(const QString& caption) {
    // The window manager's title font is not Qt's to know; title bars commonly use a bold
    // version of the title bar font Qt itself measures with.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarButtonsRoom;
}

void DialogMessagePresenter::present(const MessageBoxText& message) {
    makeMessageBox(message, owner_.data())->exec();
}

}  // namespace quorvel
