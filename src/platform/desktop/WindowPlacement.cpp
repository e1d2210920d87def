#include "WindowPlacement.h"

#include "AccessibleWindows.h"
#include "RunKeeper.h"

#include <QCursor>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tk {

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

void setUpToolWindow(QWidget* window, const QMetaObject& windowClass, const QString& objectName,
                     const QString& title, const QString& fontFamily) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(objectName);
    AccessibleWindows::setWindowRole(windowClass, QAccessible::Window);
    window->setWindowTitle(title);
    QFont font(fontFamily);
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    window->setFont(font);
}

void showTracked(QWidget* window) {
    if (RunKeeper* keeper = RunKeeper::current())
        keeper->track(window);
    window->show();
}

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
    AccessibleWindows::setCollapsed(window, true);
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

void keepOnSmallScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen && !screen->availableGeometry().contains(window->frameGeometry()))
        keepOnScreen(window);
}

} // namespace tk
