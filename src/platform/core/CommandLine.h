#pragma once

#include <QString>
#include <QStringList>

namespace tk {

// The program's command line: --help, --version and --program-dir DIR. Parsed
// before any window-system connection, so help and version need no display.
namespace CommandLine {

enum class Action { Run, ShowHelp, ShowVersion, Fail };

struct Parsed {
    Action action = Action::Run;
    QString programDir; // from --program-dir, "" when not given
    QString error;      // why the line was refused (Action::Fail)
};

// Parses the arguments that follow the program's name.
Parsed parse(const QStringList& arguments);

// The usage text printed by --help and after an error, ending in a newline.
QString usage(const QString& programName);

// The version line printed by --version, ending in a newline.
QString versionLine();

} // namespace CommandLine

} // namespace tk
