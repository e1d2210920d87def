#pragma once

class QWidget;

namespace tk {

// Whether the windows that float on the desktop (the figure, its word balloon,
// its listening tip) should bypass the X window manager (override-redirect).
//
// True only where a window manager runs that cannot keep a window above the
// others: it does not list _NET_WM_STATE_ABOVE in _NET_SUPPORTED. Such a
// manager (weston's, for XWayland windows) also puts every new window where it
// likes and draws a shadow around its whole rectangle; an unmanaged window is
// placed exactly where asked, drawn without any frame or shadow. Full window
// managers, and a display with none, keep the windows managed.
// Always false on platforms other than X11.
bool floatingWindowsBypassManager();

// Asks the window manager to leave window out of task bars and pagers
// (_NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER): a utility window
// alone does not keep every panel from listing it. Call it while the window is
// about to be mapped (from its showEvent), since managers read the states then.
// Does nothing on platforms other than X11.
void skipTaskbarAndPager(QWidget* window);

} // namespace tk
