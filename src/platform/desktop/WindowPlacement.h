#pragma once

class QWidget;

namespace tk {

// Twips (1440 to the inch) in logical pixels, at 15 twips to a pixel.
constexpr int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

// Makes a window that must stay open out of sight: one pixel high, never taking
// the focus, without a task-bar entry, and kept off the desktop.
void collapseOutOfSight(QWidget* window);

// Places a window that is about to be shown for the first time in the middle of
// the screen the pointer is on. Done before the window exists on the display, so
// that it is created there: some window managers (weston's, for XWayland) honour
// only the position a window has when it first appears.
void centreBeforeFirstShow(QWidget* window);

// Moves window so that it lies wholly on the screen it is on, if it can.
void keepOnScreen(QWidget* window);

// Shows window to the user: restored if it was minimised, raised above the
// others and given the focus.
void bringToFront(QWidget* window);

} // namespace tk
