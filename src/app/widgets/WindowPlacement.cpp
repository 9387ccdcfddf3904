#include "app/widgets/WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace quorvel {

QPoint besideWindow(const QRect& anchor, const QSize& frame, const QRect& available) {
    // Leftmost and topmost corners that keep the frame on the screen; a frame larger than the
    // screen keeps its top-left corner on it.
    const int maxX = std::max(available.left(), available.right() + 1 - frame.width());
    const int maxY = std::max(available.top(), available.bottom() + 1 - frame.height());
    const int rightOfAnchor = anchor.right() + 1;
    const int leftOfAnchor = anchor.left() - frame.width();
    int x = 0;
    if (rightOfAnchor <= maxX) {
        x = rightOfAnchor;
    } else if (leftOfAnchor >= available.left()) {
        x = leftOfAnchor;
    } else {
        const int roomRight = available.right() - anchor.right();
        const int roomLeft = anchor.left() - available.left();
        x = roomRight >= roomLeft ? maxX : available.left();
    }
    return {x, std::clamp(anchor.top(), available.top(), maxY)};
}

void placeBeside(QWidget& window, const QWidget& anchor) {
    const QWidget& anchorWindow = *anchor.window();
    const QRect anchorFrame = anchorWindow.frameGeometry();
    const QSize frameMargins = anchorFrame.size() - anchorWindow.geometry().size();
    const QScreen* screen = anchorWindow.screen();
    if (screen == nullptr) {
        return;
    }
    // A top-level window's position is that of its frame.
    window.move(
        besideWindow(anchorFrame, window.size() + frameMargins, screen->availableGeometry()));
}

}  // namespace quorvel
