#include "WindowManagerSupport.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

namespace tk {

namespace {

struct FreeDeleter {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t atomNamed(xcb_connection_t* connection, std::string_view name) {
    return x11Atom(connection, name, false);
}

// The 32-bit values of a window property of the given type; empty if it is missing.
std::vector<uint32_t> property32(xcb_connection_t* connection, xcb_window_t window,
                                 xcb_atom_t property, xcb_atom_t type) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 4096), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

// The window a running EWMH window manager names on the root and on itself.
bool managerRuns(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_atom_t check = atomNamed(connection, "_NET_SUPPORTING_WM_CHECK");
    const std::vector<uint32_t> named = property32(connection, root, check, XCB_ATOM_WINDOW);
    if (named.empty())
        return false;
    // A manager that has gone leaves the root property behind: its window is gone too.
    const std::vector<uint32_t> self = property32(connection, named[0], check, XCB_ATOM_WINDOW);
    return !self.empty() && self[0] == named[0];
}

} // namespace

bool floatingWindowsBypassManager() {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen || !managerRuns(connection, screen->root))
        return false;
    const std::vector<uint32_t> supported = property32(
        connection, screen->root, atomNamed(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    const xcb_atom_t above = atomNamed(connection, "_NET_WM_STATE_ABOVE");
    for (uint32_t atom : supported)
        if (atom == above)
            return false;
    return true;
}

void skipTaskbarAndPager(QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t state = atomNamed(connection, "_NET_WM_STATE");
    std::vector<uint32_t> states = property32(connection, id, state, XCB_ATOM_ATOM);
    // Qt writes its own states (above, modal...) into the property when it maps
    // the window, keeping the ones it finds there.
    for (std::string_view name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = atomNamed(connection, name);
        if (std::find(states.begin(), states.end(), atom) == states.end())
            states.push_back(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

} // namespace tk
