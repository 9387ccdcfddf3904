#include "app/widgets/MessagePresenter.h"

#include <QMessageBox>

namespace quorvel {
namespace {

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

void DialogMessagePresenter::present(const MessageBoxText& message) {
    QMessageBox box(boxIcon(message.icon), message.caption, message.text, QMessageBox::Ok,
                    owner_.data());
    box.setInformativeText(message.detail);
    box.exec();
}

}  // namespace quorvel
