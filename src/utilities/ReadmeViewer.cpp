#include "ReadmeViewer.h"

#include "platform/core/Dialogs.h"
#include "platform/core/FileLookup.h"
#include "platform/core/ProcessLauncher.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramPaths.h"

namespace tk {

QString ReadmeViewer::opener() {
    return QStringLiteral("xdg-open");
}

ReadmeViewer::Outcome ReadmeViewer::checkread(const ProgramContext& context) {
    const QString name = QStringLiteral("readme.txt");
    const QString path = programFile(context.programDir, name);
    // Only a file stored under exactly this name counts; other capitals do not.
    if (storedFileName(path) != name) {
        context.dialogs.message(QStringLiteral("Can't find the read me file!"));
        return Outcome::Missing;
    }
    // The path goes to the opener whole, as one argument, never through a shell.
    const Status started = context.launcher.startDetached(opener(), {path});
    if (!started.isOk()) {
        context.dialogs.message(QStringLiteral("Can't open the read me file %1 with %2: %3")
                                    .arg(path, opener(), started.message()),
                                QStringLiteral("ERROR"));
        return Outcome::StartFailed;
    }
    return Outcome::Opened;
}

} // namespace tk
