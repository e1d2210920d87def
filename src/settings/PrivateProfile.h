#pragma once

#include <QString>

namespace tk {

// File-level private-profile operations on a settings file.
namespace PrivateProfile {

// Size of the read buffer, terminating NUL included: values come back cut to
// kReadBufferSize - 1 bytes (never in the middle of a UTF-8 sequence).
inline constexpr int kReadBufferSize = 255;

// The value of key in section, "" when the file, section or key is missing or
// the value is empty.
QString readString(const QString& section, const QString& key, const QString& path);

// Stores value under section and key, creating the file when missing. The whole
// new file replaces the old one atomically; returns false, with the old file
// untouched, when it cannot be written.
bool writeString(const QString& section, const QString& key, const QString& value,
                 const QString& path);

} // namespace PrivateProfile
} // namespace tk
