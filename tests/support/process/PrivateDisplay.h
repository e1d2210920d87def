#pragma once

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

struct xcb_connection_t;

namespace tk::test {

// One top-level client window as the X server sees it.
struct XWindow {
    quint32 id = 0;
    QString title;         // _NET_WM_NAME, else WM_NAME
    QStringList types;     // _NET_WM_WINDOW_TYPE without the prefix: "NORMAL", "POPUP_MENU", ...
    QRect geometry;        // in root coordinates
    bool viewable = false; // mapped, and so are its parents
    bool iconic = false;   // WM_STATE says iconified (only a window manager sets it)
    bool overrideRedirect = false; // placed by the program itself (pop-ups, tips)
};

// A private X server (Xvfb) for one test, optionally with a window manager
// (openbox), and the user's hands on it: pointer and keyboard through xdotool.
// Windows are found by title or type, read straight from the server.
class PrivateDisplay {
public:
    enum class Manager { None, Openbox };

    // Why this machine cannot run process tests (a missing tool), or empty.
    static QString missingTools(Manager manager = Manager::None);

    // Starts the server (1280 x 800, 24 bits) and the window manager; see error().
    explicit PrivateDisplay(Manager manager = Manager::None);
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Empty when the server (and manager) run, else what went wrong.
    QString error() const { return m_error; }
    // ":N", the value for DISPLAY.
    QString name() const { return m_name; }
    // base with DISPLAY set to this server and no platform forced on Qt.
    QProcessEnvironment environmentFor(QProcessEnvironment base) const;

    // Every top-level client window, mapped or not.
    QList<XWindow> windows() const;
    // The viewable windows titled exactly title.
    QList<XWindow> viewableWindows(const QString& title) const;
    // The viewable pop-up menus: Qt shows them as override-redirect windows of
    // the normal type only (its tips and balloons carry other types).
    QList<XWindow> viewableMenus() const;
    // Waits up to timeoutMs for a viewable window titled title.
    std::optional<XWindow> waitForWindow(const QString& title, int timeoutMs = 10000) const;
    // The window that holds the keyboard focus (0 for none or the root).
    quint32 focusWindow() const;

    // Runs xdotool with arguments on this display; true when it succeeded.
    bool xdotool(const QStringList& arguments) const;
    // Moves the pointer to a root position and clicks button (1 left, 3 right).
    bool click(QPoint position, int button = 1) const;
    // Gives window the keyboard focus and types keys ("Return", "ctrl+a").
    bool key(quint32 window, const QString& keys) const;
    // Gives window the keyboard focus and types text.
    bool type(quint32 window, const QString& text) const;
    // The text on the clipboard (a message box puts its title and text there on
    // ctrl+c), or a null string when no one offers any.
    QString clipboardText() const;

private:
    bool startServer();
    bool startManager();
    xcb_connection_t* m_connection = nullptr;
    QProcess m_server;
    QProcess m_manager;
    QString m_name;
    QString m_error;
};

} // namespace tk::test
