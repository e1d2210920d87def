#include "PrivateDisplay.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <unistd.h>
#include <xcb/xcb.h>

namespace tk::test {

namespace {

constexpr int kStartMs = 10000;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return value;
}

// The whole value of a property, as raw bytes.
QByteArray property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, XCB_ATOM_ANY, 0, 4096), nullptr);
    QByteArray value;
    if (reply && reply->type != XCB_ATOM_NONE)
        value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    free(reply);
    return value;
}

QString atomName(xcb_connection_t* connection, xcb_atom_t value) {
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, value), nullptr);
    QString name;
    if (reply)
        name = QString::fromLatin1(xcb_get_atom_name_name(reply),
                                   xcb_get_atom_name_name_length(reply));
    free(reply);
    return name;
}

QList<xcb_window_t> children(xcb_connection_t* connection, xcb_window_t window) {
    xcb_query_tree_reply_t* reply =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    QList<xcb_window_t> result;
    if (reply) {
        const xcb_window_t* list = xcb_query_tree_children(reply);
        for (int at = 0; at < xcb_query_tree_children_length(reply); ++at)
            result.append(list[at]);
    }
    free(reply);
    return result;
}

bool runTool(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment) {
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

} // namespace

QString PrivateDisplay::missingTools(Manager manager) {
    QStringList tools{QStringLiteral("Xvfb"), QStringLiteral("xdotool")};
    if (manager == Manager::Openbox)
        tools.append(QStringLiteral("openbox"));
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return tool + QStringLiteral(" is not installed");
    }
    return QString();
}

PrivateDisplay::PrivateDisplay(Manager manager) {
    m_error = missingTools(manager);
    if (!m_error.isEmpty())
        return;
    if (startServer() && manager == Manager::Openbox)
        startManager();
}

PrivateDisplay::~PrivateDisplay() {
    if (m_connection)
        xcb_disconnect(m_connection);
    stop(m_manager);
    stop(m_server);
}

bool PrivateDisplay::startServer() {
    // Display numbers from a spread-out start, skipping those some server holds.
    const int first = 40 + int(::getpid() % 400);
    for (int number = first; number < first + 40; ++number) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            continue;
        const QString name = QStringLiteral(":%1").arg(number);
        m_server.setStandardOutputFile(QProcess::nullDevice());
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(QStringLiteral("Xvfb"),
                       {name, QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(kStartMs))
            break;
        const QDeadlineTimer deadline(kStartMs);
        while (!deadline.hasExpired() && m_server.state() == QProcess::Running) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))) {
                xcb_connection_t* connection = xcb_connect(qPrintable(name), nullptr);
                if (!xcb_connection_has_error(connection)) {
                    m_connection = connection;
                    m_name = name;
                    return true;
                }
                xcb_disconnect(connection);
            }
            QThread::msleep(20);
        }
        stop(m_server); // taken by another server meanwhile: try the next number
    }
    m_error = QStringLiteral("Xvfb could not be started");
    return false;
}

bool PrivateDisplay::startManager() {
    m_manager.setProcessEnvironment(environmentFor(QProcessEnvironment::systemEnvironment()));
    m_manager.setStandardOutputFile(QProcess::nullDevice());
    m_manager.setStandardErrorFile(QProcess::nullDevice());
    m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const xcb_atom_t check = atom(m_connection, "_NET_SUPPORTING_WM_CHECK");
    // The manager is ready once it announces itself on the root window.
    if (m_manager.waitForStarted(kStartMs) &&
        QTest::qWaitFor(
            [&] {
                return m_manager.state() != QProcess::Running ||
                       !property(m_connection, root, check).isEmpty();
            },
            kStartMs) &&
        m_manager.state() == QProcess::Running)
        return true;
    m_error = QStringLiteral("openbox could not be started");
    return false;
}

QProcessEnvironment PrivateDisplay::environmentFor(QProcessEnvironment base) const {
    base.insert(QStringLiteral("DISPLAY"), m_name);
    base.remove(QStringLiteral("QT_QPA_PLATFORM"));
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return base;
}

QList<XWindow> PrivateDisplay::windows() const {
    QList<XWindow> found;
    if (!m_connection)
        return found;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const xcb_atom_t netName = atom(m_connection, "_NET_WM_NAME");
    const xcb_atom_t wmState = atom(m_connection, "WM_STATE");
    const xcb_atom_t windowType = atom(m_connection, "_NET_WM_WINDOW_TYPE");
    // Client windows are the root's children, or (under a window manager) the
    // children of its frames: the first windows down the tree with a title or type.
    QList<std::pair<xcb_window_t, int>> pending;
    for (xcb_window_t child : children(m_connection, root))
        pending.append({child, 0});
    while (!pending.isEmpty()) {
        const auto [window, depth] = pending.takeFirst();
        QByteArray title = property(m_connection, window, netName);
        if (title.isEmpty())
            title = property(m_connection, window, XCB_ATOM_WM_NAME);
        const QByteArray types = property(m_connection, window, windowType);
        if (title.isEmpty() && types.isEmpty()) {
            if (depth < 3) {
                for (xcb_window_t child : children(m_connection, window))
                    pending.append({child, depth + 1});
            }
            continue;
        }
        XWindow entry;
        entry.id = window;
        entry.title = QString::fromUtf8(title);
        for (qsizetype at = 0; at + 4 <= types.size(); at += 4) {
            const xcb_atom_t type = *reinterpret_cast<const quint32*>(types.constData() + at);
            entry.types.append(
                atomName(m_connection, type).remove(QStringLiteral("_NET_WM_WINDOW_TYPE_")));
        }
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        entry.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        entry.overrideRedirect = attributes && attributes->override_redirect;
        free(attributes);
        const QByteArray state = property(m_connection, window, wmState);
        entry.iconic =
            state.size() >= 4 && *reinterpret_cast<const quint32*>(state.constData()) == 3;
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, root, 0, 0), nullptr);
        if (geometry && origin)
            entry.geometry = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        free(geometry);
        free(origin);
        found.append(entry);
    }
    return found;
}

QList<XWindow> PrivateDisplay::viewableWindows(const QString& title) const {
    QList<XWindow> result = windows();
    result.removeIf([&](const XWindow& w) { return !w.viewable || w.title != title; });
    return result;
}

QList<XWindow> PrivateDisplay::viewableMenus() const {
    QList<XWindow> result = windows();
    result.removeIf([](const XWindow& w) {
        // A window manager's own override-redirect windows carry no type.
        const bool menuType = w.types == QStringList{QStringLiteral("NORMAL")} ||
                              w.types.contains(QStringLiteral("POPUP_MENU")) ||
                              w.types.contains(QStringLiteral("DROPDOWN_MENU"));
        return !w.viewable || !w.overrideRedirect || !menuType;
    });
    return result;
}

std::optional<XWindow> PrivateDisplay::waitForWindow(const QString& title, int timeoutMs) const {
    std::optional<XWindow> found;
    (void)QTest::qWaitFor(
        [&] {
            const QList<XWindow> list = viewableWindows(title);
            if (!list.isEmpty())
                found = list.first();
            return found.has_value();
        },
        timeoutMs);
    return found;
}

quint32 PrivateDisplay::focusWindow() const {
    if (!m_connection)
        return 0;
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    const quint32 focus = reply ? reply->focus : 0;
    free(reply);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    return focus == root || focus == XCB_INPUT_FOCUS_POINTER_ROOT ? 0 : focus;
}

bool PrivateDisplay::xdotool(const QStringList& arguments) const {
    return runTool(QStringLiteral("xdotool"), arguments,
                   environmentFor(QProcessEnvironment::systemEnvironment()));
}

bool PrivateDisplay::click(QPoint position, int button) const {
    // No --sync: it waits for ever when the pointer is already there.
    return xdotool({QStringLiteral("mousemove"), QString::number(position.x()),
                    QString::number(position.y()), QStringLiteral("sleep"), QStringLiteral("0.1"),
                    QStringLiteral("click"), QString::number(button)});
}

bool PrivateDisplay::key(quint32 window, const QString& keys) const {
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                    QString::number(window), QStringLiteral("key"),
                    QStringLiteral("--clearmodifiers"), keys});
}

bool PrivateDisplay::type(quint32 window, const QString& text) const {
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                    QString::number(window), QStringLiteral("type"), QStringLiteral("--delay"),
                    QStringLiteral("20"), text});
}

QString PrivateDisplay::clipboardText() const {
    if (!m_connection)
        return QString();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const xcb_window_t requestor = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, requestor, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t target = atom(m_connection, "TK_CLIPBOARD");
    xcb_convert_selection(m_connection, requestor, atom(m_connection, "CLIPBOARD"),
                          atom(m_connection, "UTF8_STRING"), target, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
    bool answered = false;
    QString text;
    const QDeadlineTimer deadline(5000);
    while (!answered && !deadline.hasExpired()) {
        xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
        if (!event) {
            QThread::msleep(10);
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            answered = true;
            if (notify->property != XCB_ATOM_NONE)
                text = QString::fromUtf8(property(m_connection, requestor, target));
        }
        free(event);
    }
    xcb_destroy_window(m_connection, requestor);
    xcb_flush(m_connection);
    return text;
}

} // namespace tk::test
