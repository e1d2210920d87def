#pragma once

#include <xcb/xcb.h>

namespace tk {

// The application's connection to the X server, or null when there is no
// application yet or it runs on another window system (offscreen, Wayland).
xcb_connection_t* x11Connection();

} // namespace tk
