#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace tk {

// What the environment says about the window system.
struct DisplayEnvironment {
    QByteArray requestedPlatform; // QT_QPA_PLATFORM
    QByteArray display;           // DISPLAY
    QByteArray waylandDisplay;    // WAYLAND_DISPLAY
};

// The platform to use, or why none can be used.
struct DisplayDecision {
    QByteArray platform; // value for QT_QPA_PLATFORM
    QString problem;     // one line for the user; "" when a display can be used
};

// Chooses the window-system platform: the X11 one, through XWayland on a
// Wayland session, because the character needs absolute positions and
// always-on-top windows. Only the headless test platforms (offscreen, minimal)
// override it. xDisplayOpens tells whether the named X display accepts a
// connection; programName is how the user started the program.
DisplayDecision decideDisplay(const DisplayEnvironment& environment,
                              const std::function<bool(const QByteArray&)>& xDisplayOpens,
                              const QString& programName);

// decideDisplay() on the real environment with a real connection attempt; sets
// QT_QPA_PLATFORM. Returns "" when a display can be used, or the problem line.
QString prepareDisplay(const QString& programName);

} // namespace tk
