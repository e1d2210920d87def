#pragma once

#include <QString>

namespace tk {

class Clock;
class Dialogs;
class FileChannels;
class ProcessLauncher;

// Where the program's files are and the seams to the operating system. main()
// supplies the real ones; tests supply temporary directories and fakes.
struct ProgramContext {
    QString programDir;           // directory of the running executable
    QString platformCharacterDir; // the character runtime's shared directory
    QString systemSettingsFile;   // file whose name and length the system report uses
    Clock& clock;
    Dialogs& dialogs;
    ProcessLauncher& launcher;
    FileChannels& channels;
};

} // namespace tk
