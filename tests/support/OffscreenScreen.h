#pragma once

#include <QSize>

namespace tk::test {

// Gives the offscreen platform one screen of size (logical pixels, 96 dpi)
// instead of its 800 x 800 default, for windows stored at places beyond that.
// Call before the application object exists; does nothing on other platforms.
void useOffscreenScreen(QSize size);

} // namespace tk::test
