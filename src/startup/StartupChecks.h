#pragma once

#include <QString>

namespace tk {

struct ProgramContext;

// The start-up decisions about the intro sound and the character file, kept
// apart from the windows that act on them.
namespace StartupChecks {

// The intro sound to play at start, or "" when the setting is not exactly "1".
QString introSoundToPlay(const ProgramContext& context);

enum class SplashVerdict {
    Proceed, // the character file is in the program directory (or may be made so)
    Stop,    // it is nowhere, or could not be copied and no local copy exists:
             // the error was shown and the program ends
};

// The splash window's character file work: copies the runtime's shared copy into
// the program directory when there is one, and reports the file missing when it
// is nowhere. Message boxes go through the context's dialogs.
SplashVerdict prepareCharacterFile(const ProgramContext& context);

enum class CheckVerdict {
    OpenMainWindow,   // the character file is in place
    RestartRequested, // it was copied now; the user was asked to start again
    Missing,          // it is nowhere; the user was told what to install
    CopyFailed,       // it could not be copied; the user was told why
};

// The check window's decision, with its copy and message boxes.
CheckVerdict checkCharacterFile(const ProgramContext& context);

} // namespace StartupChecks
} // namespace tk
