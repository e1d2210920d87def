#pragma once

namespace tk {

// Whether a compositing manager runs on the X display, so that windows with
// per-pixel transparency are blended with the desktop. Without one (plain Xvfb,
// some desktops) transparent areas show black and windows must use a shape mask.
// Always false on platforms other than X11 (offscreen tests included).
bool compositorRunning();

} // namespace tk
