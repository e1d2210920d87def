#pragma once

#include <QString>

namespace tk {

// Chooses the window-system platform before the application object exists: on a
// Wayland session the X11 platform (through XWayland), because the character
// needs absolute positions and always-on-top windows. Returns "" when a display
// can be used, or one line telling the user why not and what to do.
QString prepareDisplay();

} // namespace tk
