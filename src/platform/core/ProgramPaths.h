#pragma once

#include <QString>

namespace tk {

// Path of a data file of the program: the program directory, a slash and the
// file's name. Built afresh at each use; nothing is normalised.
QString programFile(const QString& programDir, const QString& name);

// The directory that holds the running executable, links resolved.
QString runningProgramDir();

} // namespace tk
