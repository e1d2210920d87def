#include "Dialogs.h"

#include "platform/core/ProgramIdentity.h"

namespace tk {

QString applicationTitle() {
    return QString::fromLatin1(identity::kExecutableName);
}

} // namespace tk
