#pragma once

#include "platform/core/Status.h"

#include <QString>

// The settings procedures: the only access to the settings file main.ini.
namespace tk::modo {

// The value of key in section of the settings file at path, at most 254 bytes.
// When the file gives nothing (no file, section or key, or an empty value), a
// non-empty default is stored under section and key, and the default returned.
QString readini(const QString& section, const QString& key, const QString& defaultValue,
                const QString& path);

// Stores value under section and key of the settings file at path. A failure
// says why, for a message to the user.
Status writeini(const QString& section, const QString& key, const QString& value,
                const QString& path);

} // namespace tk::modo
