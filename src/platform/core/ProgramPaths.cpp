#include "ProgramPaths.h"

#include <QCoreApplication>

namespace tk {

QString programFile(const QString& programDir, const QString& name) {
    return programDir + QLatin1Char('/') + name;
}

QString runningProgramDir() {
    return QCoreApplication::applicationDirPath();
}

} // namespace tk
