#include "WindowPlacement.h"

#include "AccessibleWindows.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tk {

void collapseOutOfSight(QWidget* window) {
    // Unmanaged by the window manager: no task-bar entry, no focus, no frame,
    // and placed just beyond the top-left corner of the desktop, so the
    // one-pixel line is not drawn over anybody's work.
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFocusPolicy(Qt::NoFocus);
    window->setFixedHeight(1);
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect();
    window->move(desktop.left() - window->width() - 16, desktop.top() - 16);
    // Out of sight for screen readers too: neither showing nor visible, no children.
    accessibility::setCollapsed(window, true);
}

void centreBeforeFirstShow(QWidget* window) {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void keepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    if (frame.right() > area.right())
        frame.moveRight(area.right());
    if (frame.bottom() > area.bottom())
        frame.moveBottom(area.bottom());
    if (frame.left() < area.left())
        frame.moveLeft(area.left());
    if (frame.top() < area.top())
        frame.moveTop(area.top());
    window->move(frame.topLeft());
}

} // namespace tk

namespace tk {

void bringToFront(QWidget* window) {
    // A window the user minimised keeps its state while hidden in the task bar:
    // raising alone would leave it there.
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (!window->isVisible() || window->isMinimized())
        window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tk
