#pragma once

#include <QString>
#include <QStringList>

namespace tk {

// Chooses the directory where the program keeps its files, and fills it with
// the shipped files it lacks. Portable: the executable's own directory, when it
// holds the shipped files and may be written. Installed: the user's own
// directory under the data home. A directory named on the command line wins.
namespace ProgramDirectory {

enum class Layout { Portable, Installed, Named };

struct Choice {
    QString dir;           // the program directory to use
    Layout layout;         // why it was chosen
    QString shippedSource; // where missing shipped files are copied from
};

// The files that ship with the program, relative to the program directory.
QStringList shippedFiles();

// Whether dir holds every shipped file.
bool holdsShippedFiles(const QString& dir);

// The user's own program directory: $XDG_DATA_HOME/tovrinkin, or
// ~/.local/share/tovrinkin when the variable is empty or not absolute.
QString userDirectory(const QString& xdgDataHome, const QString& home);

// Where an installed program's shipped files are: beside the executable's
// prefix (executableDir + "/" + relativeDataDir) when they are there, so a
// tree installed elsewhere or under a staging root finds its own files;
// otherwise fixedDataDir, fixed at build time.
QString installedDataDir(const QString& executableDir, const QString& relativeDataDir,
                         const QString& fixedDataDir);

// The directory to use. namedDir (from the command line, may be "") wins;
// otherwise executableDir when it holds the shipped files and is writable;
// otherwise userDir. Shipped files come from executableDir when it holds
// them, else from installedDataDir.
Choice choose(const QString& namedDir, const QString& executableDir, const QString& userDir,
              const QString& installedDataDir);

// Makes choice.dir exist (a new directory gets mode 0700) and copies every
// shipped file missing there from choice.shippedSource; a file already
// present is never touched. Returns one line per problem; a problem with
// the directory itself comes first and sets *unusable.
QStringList prepare(const Choice& choice, bool* unusable);

} // namespace ProgramDirectory

} // namespace tk
