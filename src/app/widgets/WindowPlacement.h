#pragma once
// Where a second top-level window opens: beside the window it belongs to, not over it.

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace quorvel {

// The top-left corner for a window frame of size frame beside the frame anchor, inside the
// screen's available area: right of anchor if it fits there, else left of it; if neither side
// has room, against the screen edge on the side with more room, overlapping anchor as little as
// the screen allows. The top edge is anchor's, moved up as far as the bottom needs.
QPoint besideWindow(const QRect& anchor, const QSize& frame, const QRect& available);

// Moves the not yet shown top-level window beside anchor's window on anchor's screen. The window
// manager's frame, unknown until window is shown, is taken to be as thick as anchor's.
void placeBeside(QWidget& window, const QWidget& anchor);

}  // namespace quorvel
