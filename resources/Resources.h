#pragma once

#include <QIcon>

namespace tk {

// Registers the program's pictures (resource prefix ":/tovrin"); call once at start.
void initResources();

// The program icon: 16 x 16 and 32 x 32 pictures plus the scalable drawing.
QIcon programIcon();

} // namespace tk
