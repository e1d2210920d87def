#pragma once

#include <QString>

namespace tk {

// The identifier under which the one character is loaded and addressed.
inline QString characterId() {
    return QStringLiteral("Tovrin");
}

} // namespace tk
