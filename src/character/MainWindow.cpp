#include "MainWindow.h"

#include "platform/RunKeeper.h"
#include "platform/WindowPlacement.h"

#include <QCloseEvent>

namespace tk {

MainWindow::MainWindow(QWidget* checkFilesWindow)
    : QWidget(nullptr), m_checkFiles(checkFilesWindow) {
    setObjectName(QStringLiteral("mainDC"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tovrin Kin Personal Edition"));
    resize(twipsToPixels(4800), twipsToPixels(3600));
}

MainWindow* MainWindow::open(const ProgramContext&, QWidget* checkFilesWindow) {
    auto* window = new MainWindow(checkFilesWindow);
    if (RunKeeper* keeper = RunKeeper::current())
        keeper->track(window);
    collapseOutOfSight(window);
    window->show();
    return window;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_checkFiles)
        m_checkFiles->close();
    event->accept();
}

} // namespace tk
