#include "ProcessLauncher.h"

#include <QProcess>

namespace tk {

bool DetachedProcessLauncher::startDetached(const QString& program, const QStringList& arguments,
                                            QString* error) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
}

} // namespace tk
