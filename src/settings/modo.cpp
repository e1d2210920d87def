#include "modo.h"

#include "PrivateProfile.h"

namespace tk::modo {

QString readini(const QString& section, const QString& key, const QString& defaultValue,
                const QString& path) {
    const QString value = PrivateProfile::readString(section, key, path);
    if (!value.isEmpty())
        return value;
    if (!defaultValue.isEmpty())
        writeini(section, key, defaultValue, path);
    return defaultValue;
}

bool writeini(const QString& section, const QString& key, const QString& value, const QString& path,
              QString* reason) {
    return PrivateProfile::writeString(section, key, value, path, reason);
}

} // namespace tk::modo
