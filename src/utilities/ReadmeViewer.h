#pragma once

#include <QString>

namespace tk {

struct ProgramContext;

// The read-me viewer (the main window's checkread): opens the program
// directory's readme.txt with the desktop's opener, or says that it is missing.
namespace ReadmeViewer {

enum class Outcome {
    Opened,      // the opener was started
    Missing,     // no file stored exactly as readme.txt; the user was told
    StartFailed, // the opener could not be started; the user was told why
};

// The opener started for the read-me file, with the file's path as its one argument.
QString opener();

// Opens readme.txt of the program directory; every outcome but Opened shows a message box.
Outcome checkread(const ProgramContext& context);

} // namespace ReadmeViewer

} // namespace tk
