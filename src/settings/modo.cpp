#include "modo.h"

#include "PrivateProfile.h"

namespace tk::modo {

QString readini(const QString& section, const QString& key, const QString& defaultValue,
                const QString& path) {
    const QString value = PrivateProfile::readString(section, key, path);
    if (!value.isEmpty())
        return value;
    if (!defaultValue.isEmpty())
        (void)writeini(section, key, defaultValue, path); // the default is returned either way
    return defaultValue;
}

Status writeini(const QString& section, const QString& key, const QString& value,
                const QString& path) {
    return PrivateProfile::writeString(section, key, value, path);
}

} // namespace tk::modo
