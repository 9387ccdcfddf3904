#pragma once
// Where the generate command's message boxes go: modal boxes on screen, or a record in tests,
// so that a test observes every message without a box blocking it.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class QMessageBox;

namespace quorvel {

enum class MessageIcon { None, Information, Error, Warning };

// One message box: caption, main text, optional secondary text, icon; always a single OK button.
struct MessageBoxText {
    QString caption;
    QString text;
    QString detail;  // shown under the main text; empty for none
    MessageIcon icon = MessageIcon::None;

    friend bool operator==(const MessageBoxText&, const MessageBoxText&) = default;
};

class MessagePresenter {
  public:
    virtual ~MessagePresenter() = default;
    // Shows the message and returns once the user has acknowledged it.
    virtual void present(const MessageBoxText& message) = 0;
};

// The on-screen box for message, modal to owner's window (to the application when null), not yet
// shown. Once shown it is at least captionFittingWidth(message.caption) wide.
std::unique_ptr<QMessageBox> makeMessageBox(const MessageBoxText& message, QWidget* owner);

// The least width of a box whose title bar shows caption whole: the caption in the title bar's
// font plus the window manager's icon and buttons, which Qt's own allowance leaves too little
// room for ("Input Error" came out as "Inp... rror") [pixels].
int captionFittingWidth(const QString& caption);

// Modal message boxes owned by a window.
class DialogMessagePresenter : public MessagePresenter {
  public:
    explicit DialogMessagePresenter(QWidget* owner) : owner_(owner) {}
    void present(const MessageBoxText& message) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace quorvel
