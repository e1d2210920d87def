#include "CheckFilesWindow.h"

#include "StartupChecks.h"
#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/RunKeeper.h"
#include "platform/desktop/WindowPlacement.h"

#include <QPointer>

namespace tk {

CheckFilesWindow::CheckFilesWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("checkfiles"));
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Window);
    setWindowTitle(QStringLiteral("Checking Files..."));
    resize(twipsToPixels(6150), twipsToPixels(675)); // 410 x 45
}

CheckFilesWindow* CheckFilesWindow::open(const ProgramContext& context,
                                         OpenMainWindow openMainWindow) {
    auto* window = new CheckFilesWindow();
    const QPointer<CheckFilesWindow> alive(window);
    RunKeeper* keeper = RunKeeper::current();
    if (keeper)
        keeper->track(window);
    switch (StartupChecks::checkCharacterFile(context)) {
    case StartupChecks::CheckVerdict::OpenMainWindow:
        collapseOutOfSight(window);
        window->show();
        if (openMainWindow)
            openMainWindow(window);
        // The run may have ended while the main window's name box was open,
        // closing this window with it.
        if (alive)
            alive->repaint();
        break;
    case StartupChecks::CheckVerdict::Missing:
    case StartupChecks::CheckVerdict::CopyFailed:
        if (keeper)
            keeper->setExitCode(1);
        [[fallthrough]];
    case StartupChecks::CheckVerdict::RestartRequested:
        // The message has been dismissed and no other window is open: the run ends.
        window->close();
        break;
    }
    return alive.data();
}

} // namespace tk
