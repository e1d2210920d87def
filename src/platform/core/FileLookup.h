#pragma once

#include <QString>

namespace tk {

// Looks up one exact path the way a case-insensitive file system would: gives the
// bare name of the file found there as it is stored on disk, or "" when there is
// none. A file stored under other capitals is found under its stored name, so
// callers that compare the name case-sensitively can tell the two apart.
QString storedFileName(const QString& path);

// Copies source over target, replacing target atomically. Returns false and sets
// *error when it fails; target is then left as it was.
bool copyReplacing(const QString& source, const QString& target, QString* error);

} // namespace tk
