#include "Compositor.h"

#include "X11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <string>
#include <xcb/xcb.h>

namespace tk {

bool compositorRunning() {
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    int screen = 0;
    const char* display = std::getenv("DISPLAY");
    if (display) {
        const std::string text(display);
        const auto dot = text.rfind('.');
        const auto colon = text.rfind(':');
        if (dot != std::string::npos && colon != std::string::npos && dot > colon)
            screen = std::atoi(text.c_str() + dot + 1);
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    const xcb_atom_t selection = x11Atom(connection, name, true);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (!owner)
        return false;
    const bool owned = owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}

} // namespace tk
