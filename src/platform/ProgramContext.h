#pragma once

#include <QString>
#include <QStringList>

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
    // Start at login: the desktop entry's file and the command it runs ("" and
    // empty where the program offers no such choice).
    QString autostartEntry = {};
    QStringList autostartCommand = {};
};

} // namespace tk
