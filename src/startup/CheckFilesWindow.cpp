#include "CheckFilesWindow.h"

#include "StartupChecks.h"
#include "platform/AccessibleWindows.h"
#include "platform/RunKeeper.h"
#include "platform/WindowPlacement.h"

namespace tk {

CheckFilesWindow::CheckFilesWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("checkfiles"));
    accessibility::setWindowRole(staticMetaObject, QAccessible::Window);
    setWindowTitle(QStringLiteral("Checking Files..."));
    resize(twipsToPixels(6150), twipsToPixels(675)); // 410 x 45
}

CheckFilesWindow* CheckFilesWindow::open(const ProgramContext& context,
                                         OpenMainWindow openMainWindow) {
    auto* window = new CheckFilesWindow();
    if (RunKeeper* keeper = RunKeeper::current())
        keeper->track(window);
    switch (StartupChecks::checkCharacterFile(context)) {
    case StartupChecks::CheckVerdict::OpenMainWindow:
        collapseOutOfSight(window);
        window->show();
        if (openMainWindow)
            openMainWindow(window);
        window->repaint();
        break;
    case StartupChecks::CheckVerdict::RestartRequested:
    case StartupChecks::CheckVerdict::Missing:
    case StartupChecks::CheckVerdict::CopyFailed:
        // The message has been dismissed and no other window is open: the run ends.
        window->close();
        break;
    }
    return window;
}

} // namespace tk
