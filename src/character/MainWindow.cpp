#include "MainWindow.h"

#include "CommandDispatcher.h"
#include "LogWriteProblems.h"
#include "Shutdown.h"
#include "StartSequence.h"
#include "agent/api/AgentControl.h"
#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/RunKeeper.h"
#include "platform/desktop/WindowPlacement.h"
#include "utilities/SystemReport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>

namespace tk {

MainWindow::MainWindow(const ProgramContext& context, agent::AgentControl* control,
                       MainWindowHooks hooks, QWidget* checkFilesWindow)
    : QWidget(nullptr, Qt::FramelessWindowHint), m_control(control), m_checkFiles(checkFilesWindow),
      m_problems(std::make_shared<LogWriteProblems>(context.dialogs)) {
    setObjectName(QStringLiteral("mainDC"));
    AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tovrin Kin Personal Edition"));
    setWindowIcon(QApplication::windowIcon());
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(9.75);
    setFont(tahoma);
    resize(twipsToPixels(4800), twipsToPixels(3600));

    // Keeps the name typed on the first run; the window is never high enough to show it.
    m_userName = new QLabel(QStringLiteral("Label1"), this);
    m_userName->setObjectName(QStringLiteral("usr_name"));
    m_userName->setGeometry(0, twipsToPixels(1320), twipsToPixels(135), twipsToPixels(15));

    const QPointer<MainWindow> self(this);
    CommandDispatcher::WindowActions actions{std::move(hooks.openChat),
                                             std::move(hooks.openOptions), [self] {
                                                 if (self)
                                                     self->close();
                                             }};
    m_dispatcher =
        std::make_shared<CommandDispatcher>(context, control, std::move(actions), m_problems);
    if (control) {
        connect(control, &agent::AgentControl::Command, this,
                [this, dispatcher = m_dispatcher](const agent::UserInput& input) {
                    if (m_shutDown)
                        return; // the character is gone; nothing more is taken
                    // The dispatcher outlives the window if the command closes it,
                    // so the event's log entry is still written.
                    const std::shared_ptr<CommandDispatcher> keep = dispatcher;
                    keep->dispatch(input);
                });
    }
}

MainWindow::~MainWindow() {
    // A window destroyed without being closed still takes the character with it.
    if (!m_shutDown)
        shutDownCharacter(m_control.data(), m_checkFiles.data());
}

MainWindow* MainWindow::open(const ProgramContext& context, agent::AgentControl* control,
                             MainWindowHooks hooks, QWidget* checkFilesWindow) {
    auto* window = new MainWindow(context, control, std::move(hooks), checkFilesWindow);
    if (RunKeeper* keeper = RunKeeper::current())
        keeper->track(window);
    collapseOutOfSight(window);
    window->show();

    // The start may outlast the window: a command taken while the name box is
    // open can close it.
    const QPointer<MainWindow> guard(window);
    const std::shared_ptr<LogWriteProblems> problems = window->m_problems;
    StartSequence::Steps steps;
    steps.systemReport = [context, problems] {
        const SystemReport::Result report = SystemReport::cek(context);
        if (report.outcome == SystemReport::Outcome::WriteFailed)
            problems->report(report.reportPath, report.error);
    };
    steps.keepUserName = [guard](const QString& name) {
        if (guard)
            guard->m_userName->setText(name);
    };
    // A problem with the report is told once the character has started.
    problems->hold();
    if (!StartSequence::run(context, control, steps).isOk()) {
        if (RunKeeper* keeper = RunKeeper::current())
            keeper->setExitCode(1);
        if (guard)
            guard->close();
    }
    problems->release();
    return guard.data();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        m_shutDown = true;
        shutDownCharacter(m_control.data(), m_checkFiles.data());
    }
    event->accept(); // never refused
}

} // namespace tk
