#pragma once

#include "platform/core/Status.h"

#include <QString>

namespace tk {

// File-level private-profile operations on a settings file.
namespace PrivateProfile {

// Size of the read buffer, terminating NUL included: values come back cut to
// kReadBufferSize - 1 bytes (never in the middle of a UTF-8 sequence).
inline constexpr int kReadBufferSize = 255;

// Settings files are small; a larger file is not read, and not overwritten.
inline constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// The value of key in section, "" when the file, section or key is missing or
// the value is empty.
QString readString(const QString& section, const QString& key, const QString& path);

// Stores value under section and key, creating the file when missing. Copies of
// the program that write at the same time take turns (a FileLock "<path>.lock"
// beside it, held across the read, change and write; a copy that dies holding
// it does not block the others). The new file is written to a temporary "<path>.tmp.XXXXXX"
// and renamed over the old one, so the file is always whole; temporaries left
// by a killed writer are removed. A file that exists but cannot be read is
// never overwritten. Fails, with the old file untouched, when the value cannot
// be stored.
Status writeString(const QString& section, const QString& key, const QString& value,
                   const QString& path);

// The lock file and the temporary-file prefix that writeString uses for path.
QString lockPath(const QString& path);
QString temporaryPrefix(const QString& path);

} // namespace PrivateProfile
} // namespace tk
