#pragma once

#include <QString>

namespace tk::IntroSoundSetting {

// Whether the stored intro-sound setting (key LSOUND of section MAIN in the
// program directory's main.ini) is on: only the exact value "1" is. Reading
// writes nothing.
bool isOn(const QString& programDir);

// Stores the choice as "1" (on) or "0" (off); false when main.ini could not be
// written, which leaves it as it was.
bool store(const QString& programDir, bool on);

// Path of the settings file in programDir.
QString settingsPath(const QString& programDir);

} // namespace tk::IntroSoundSetting
