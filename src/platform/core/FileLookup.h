#pragma once

#include "platform/core/Status.h"

#include <QString>

namespace tk {

// Looks up one exact path the way a case-insensitive file system would: gives the
// bare name of the file found there as it is stored on disk, or "" when there is
// none. A file stored under other capitals is found under its stored name, so
// callers that compare the name case-sensitively can tell the two apart.
QString storedFileName(const QString& path);

// Copies source over target, replacing target atomically. On failure target is
// left as it was.
Status copyReplacing(const QString& source, const QString& target);

} // namespace tk
