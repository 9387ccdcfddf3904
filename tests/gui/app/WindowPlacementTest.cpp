// Where the viewer opens: beside the control panel's frame, on the screen, as little over the
// panel as the screen allows.

#include <gtest/gtest.h>

#include "app/widgets/WindowPlacement.h"

namespace quorvel {
namespace {

TEST(BesideWindow, RightOfTheAnchorElseLeftElseAgainstTheRoomierScreenEdge) {
    const QRect screen{0, 0, 1920, 1080};
    const QSize frame{904, 625};
    struct Case {
        const char* what;
        QRect anchor;
        QRect available;
        QSize frame;
        QPoint expected;
    };
    const Case cases[] = {
        {"room on the right", {100, 50, 604, 825}, screen, frame, {704, 50}},
        {"exactly fits on the right", {0, 0, 1016, 825}, screen, frame, {1016, 0}},
        {"a pixel short on the right, room on the left",
         {1000, 100, 604, 825},
         screen,
         frame,
         {96, 100}},
        {"no room, more on the right", {650, 130, 604, 825}, screen, frame, {1016, 130}},
        {"no room, more on the left", {670, 130, 604, 825}, screen, frame, {0, 130}},
        {"too low: moved up to the bottom edge", {100, 600, 604, 400}, screen, frame, {704, 455}},
        {"anchor above the screen", {100, -20, 604, 825}, screen, frame, {704, 0}},
        {"screen not at the origin",
         {2000, 100, 604, 825},
         {1920, 24, 1280, 1000},
         frame,
         {2296, 100}},
        {"frame larger than the screen", {0, 0, 604, 825}, {0, 0, 800, 600}, frame, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(besideWindow(c.anchor, c.frame, c.available), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace quorvel
