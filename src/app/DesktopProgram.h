#pragma once

#include <QString>

namespace tk {

// Runs the program on the desktop with the system's real seams: checks the
// display, creates the application, chooses and prepares the program directory
// (requestedDir from the command line, or empty), hands over to a run already
// using it, then builds the program and runs it until its last window closes.
// Returns the process exit code.
int runDesktopProgram(int& argc, char** argv, const QString& requestedDir);

} // namespace tk
