#pragma once

#include <QString>

namespace tk {

// The first-run marker FIRST of the settings file, taken as a number. A decimal
// number ("1", "-1", "0.5", "1.0"; the decimal point is "." whatever the user's
// locale) counts as its value; any other text ("", "abc", "2abc") counts as 0.
double firstRunMarkerValue(const QString& marker);

// Whether the marker says that the user's name has not been asked yet (below 1).
bool firstRunDue(const QString& marker);

} // namespace tk
