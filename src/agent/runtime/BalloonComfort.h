#pragma once

#include "agent/characterfile/BalloonSettings.h"
#include "platform/desktop/DesktopPreferences.h"

namespace tk::agent::speech {

// The balloon's look as the character file gives it, adjusted to the desktop:
// text never smaller than the desktop's own font (systemPointSize, so that
// the desktop's font scaling reaches it), text that stands out from its
// background (black or white where the file's colours give less than 4.5 to 1;
// black on white with a black border under a high-contrast theme), and no fade
// under reduced motion.
BalloonSettings comfortableBalloon(BalloonSettings settings, const DesktopPreferences& desktop,
                                   qreal systemPointSize);

// The contrast ratio of two colours (1 to 21), as accessibility guidelines reckon it.
qreal contrastRatio(const QColor& a, const QColor& b);

} // namespace tk::agent::speech
