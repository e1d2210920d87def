#include "FocusHandBack.h"

#include "X11Connection.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace tk {

namespace {

xcb_window_t rootWindow(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    return x11Atom(connection, name, true);
}

bool windowExists(xcb_connection_t* connection, xcb_window_t window) {
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
                                        nullptr),
        &std::free);
    return reply != nullptr;
}

} // namespace

void FocusHandBack::remember() {
    m_own = QApplication::activeWindow();
    m_foreign = m_own ? 0 : foreignActiveWindow(&m_managed);
}

bool FocusHandBack::giveBack() {
    const QPointer<QWidget> own = m_own;
    const std::uint32_t foreign = m_foreign;
    m_own = nullptr;
    m_foreign = 0;
    if (own && own->isVisible()) {
        own->raise();
        own->activateWindow();
        return true;
    }
    return foreign != 0 && activateForeign(foreign, m_managed);
}

std::uint32_t FocusHandBack::foreignActiveWindow(bool* managed) const {
    *managed = false;
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return 0;
    const xcb_window_t root = rootWindow(connection);
    const xcb_atom_t active = atom(connection, "_NET_ACTIVE_WINDOW");
    if (root != XCB_WINDOW_NONE && active != XCB_ATOM_NONE) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                connection, xcb_get_property(connection, 0, root, active, XCB_ATOM_WINDOW, 0, 1),
                nullptr),
            &std::free);
        if (reply && xcb_get_property_value_length(reply.get()) >= 4) {
            const auto window = *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
            if (window != XCB_WINDOW_NONE) {
                *managed = true;
                return window;
            }
        }
    }
    // No window manager says which window is active: take the server's focus.
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr),
        &std::free);
    if (!focus || focus->focus == XCB_WINDOW_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
        focus->focus == root)
        return 0;
    return focus->focus;
}

bool FocusHandBack::activateForeign(std::uint32_t window, bool managed) const {
    xcb_connection_t* connection = x11Connection();
    if (!connection || !windowExists(connection, window))
        return false;
    if (managed) {
        // Asked of the window manager as a pager would, on the user's behalf.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom(connection, "_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 2;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection, 0, rootWindow(connection),
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&message));
    } else {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(connection);
    return true;
}

} // namespace tk
