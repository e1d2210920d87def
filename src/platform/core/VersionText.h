#pragma once

#include <QLocale>
#include <QString>

namespace tk {

// The version as one general number: major + minor / 10 + revision / 100,
// at most 15 significant digits, no trailing zeros, the locale's decimal point.
QString versionText(int major, int minor, int revision, const QLocale& locale);

// versionText() of this build's version in the user's locale ("1" for 1.0.0).
QString programVersionText();

} // namespace tk
