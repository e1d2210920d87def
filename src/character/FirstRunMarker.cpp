#include "FirstRunMarker.h"

#include <QLocale>
#include <cmath>

namespace tk {

double firstRunMarkerValue(const QString& marker) {
    // The marker is file data: parsed in the C locale, with no group separators
    // (so "1,5" is not a number rather than fifteen).
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(marker.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return 0.0;
    return value;
}

bool firstRunDue(const QString& marker) {
    return firstRunMarkerValue(marker) < 1.0;
}

} // namespace tk
