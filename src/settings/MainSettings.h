#pragma once

#include "platform/core/ProgramPaths.h"

#include <QString>

// The program's settings file in the program directory: its name, its sections
// and its keys, read and written only through modo.
namespace tk::MainSettings {

inline constexpr char kFileName[] = "main.ini";

inline constexpr char kMainSection[] = "MAIN";
inline constexpr char kFirstRunKey[] = "FIRST";    // "1" once the first run is over
inline constexpr char kIntroSoundKey[] = "LSOUND"; // "1": the splash plays its sound

inline constexpr char kUserSection[] = "USER";
inline constexpr char kNameKey[] = "NAME"; // what the user is called

// Path of the settings file in programDir.
inline QString path(const QString& programDir) {
    return programFile(programDir, QString::fromLatin1(kFileName));
}

} // namespace tk::MainSettings
