#pragma once

#include <QString>

// The settings procedures: the only access to the settings file main.ini.
namespace tk::modo {

// The value of key in section of the settings file at path, at most 254 bytes.
// When the file gives nothing (no file, section or key, or an empty value), a
// non-empty default is stored under section and key, and the default returned.
QString readini(const QString& section, const QString& key, const QString& defaultValue,
                const QString& path);

// Stores value under section and key of the settings file at path; true on
// success. On failure, *reason (when given) says why, for a message to the user.
bool writeini(const QString& section, const QString& key, const QString& value, const QString& path,
              QString* reason = nullptr);

} // namespace tk::modo
