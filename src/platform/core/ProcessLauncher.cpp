#include "ProcessLauncher.h"

#include <QProcess>

namespace tk {

Status DetachedProcessLauncher::startDetached(const QString& program,
                                              const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached())
        return Status::ok();
    return Status::failure(process.errorString());
}

} // namespace tk
