#pragma once

#include <string_view>
#include <xcb/xcb.h>

namespace tk {

// The application's connection to the X server, or null when there is no
// application yet or it runs on another window system (offscreen, Wayland).
xcb_connection_t* x11Connection();

// The atom called name, or XCB_ATOM_NONE when the server does not know it (an
// atom that does not exist yet is made unless onlyIfExists) or cannot answer.
xcb_atom_t x11Atom(xcb_connection_t* connection, std::string_view name, bool onlyIfExists);

} // namespace tk
