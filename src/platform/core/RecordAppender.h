#pragma once

#include <QString>
#include <QStringList>

namespace tk {

// Appends lines to a text file as one record: each line followed by CR LF,
// encoded as UTF-8 and written with one unbuffered write, so a crash or a second
// running copy never leaves half a record. Creates the file when missing.
// Returns false and sets *error when the record could not be written whole.
bool appendRecord(const QString& path, const QStringList& lines, QString* error);

} // namespace tk
