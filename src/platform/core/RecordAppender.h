#pragma once

#include "platform/core/Status.h"

#include <QString>
#include <QStringList>

namespace tk {

// Appends lines to a text file as one record: each line followed by CR LF,
// encoded as UTF-8. Creates the file when missing. Only whole records ever
// stay in the file, also when a writer is killed in the middle of its write,
// the disk fills up or two copies of the program append at once:
// - appends hold an exclusive advisory lock on the file;
// - before writing, the file's old length is noted in a small journal file
//   beside it (".<name>.append"); a record found shorter than noted (its writer
//   was killed) is cut away by the next append, and the journal removed;
// - a write that cannot be finished is cut back to the file's old length;
// - a file that does not end with a line end gets one before the new record,
//   so a record never starts on the tail of another line.
// Fails, saying why, when the record could not be written whole.
Status appendRecord(const QString& path, const QStringList& lines);

// The journal file that appendRecord keeps beside path while it writes.
QString appendJournalPath(const QString& path);

} // namespace tk
