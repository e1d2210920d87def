#pragma once

#include "platform/core/ProgramIdentity.h"

#include <QString>

namespace tk {

// The identifier under which the one character is loaded and addressed.
inline QString characterId() {
    return QString::fromLatin1(identity::kCharacterId);
}

} // namespace tk
