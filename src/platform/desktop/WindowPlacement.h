#pragma once

#include <QRect>
#include <QString>
#include <Qt>

class QWidget;
struct QMetaObject;

namespace tk {

// Twips (1440 to the inch) in logical pixels, at 15 twips to a pixel.
constexpr int twipsToPixels(int twips) {
    return (twips + 7) / 15;
}

// A rectangle given in twips, in logical pixels.
QRect twipsRect(int left, int top, int width, int height);

// The flags of the program's small tool windows: a title bar with only a close box.
inline constexpr Qt::WindowFlags kToolWindowFlags =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Sets up one of the program's tool windows: deleted when closed, named for
// code and for screen readers (a window of windowClass), titled, and drawn in
// fontFamily at 9.75 points.
void setUpToolWindow(QWidget* window, const QMetaObject& windowClass, const QString& objectName,
                     const QString& title, const QString& fontFamily);

// Shows a newly made window, counted by the run's keeper until it is destroyed.
void showTracked(QWidget* window);

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

// Moves window onto its screen only when its frame reaches beyond the screen's
// free area (a small screen): a window that fits stays exactly at its place.
void keepOnSmallScreen(QWidget* window);

// Shows window to the user: restored if it was minimised, raised above the
// others and given the focus.
void bringToFront(QWidget* window);

} // namespace tk
