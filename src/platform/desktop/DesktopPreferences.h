#pragma once

#include <QByteArray>
#include <QString>

namespace tk {

// What the desktop asks of programs for the user's comfort.
struct DesktopPreferences {
    bool reducedMotion = false; // the desktop's animations are switched off
    bool highContrast = false;  // a high-contrast theme is chosen

    // Reads them from the running desktop: the X settings that GNOME, Xfce,
    // MATE and Cinnamon publish (Gtk/EnableAnimations, Net/ThemeName), else
    // KDE's kdeglobals (an animation speed of 0). TK_REDUCED_MOTION and
    // TK_HIGH_CONTRAST (1 or 0) in the environment override both.
    static DesktopPreferences read();

    // Takes what an X settings property (the _XSETTINGS_SETTINGS format) says;
    // false if the data is malformed (then nothing is taken).
    bool takeXSettings(const QByteArray& property);
    // Takes what a kdeglobals file's text says.
    void takeKdeGlobals(const QByteArray& text);
    // Takes the environment's overrides from the two variables' values.
    void takeOverrides(const QByteArray& reducedMotion, const QByteArray& highContrast);
};

} // namespace tk
