#pragma once

#include "character/MainWindowHooks.h"
#include "platform/core/ProgramContext.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;

namespace tk {

class CommandDispatcher;
class LogWriteProblems;
namespace agent {
class AgentControl;
}

// The hidden main window mainDC, which owns the character for the whole run.
// It stays open collapsed out of sight, never takes the focus and has no
// task-bar entry. Closing it unloads the character and closes the check window.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    ~MainWindow() override;

    // Creates and shows the main window and runs the character's start with
    // control (the agent control DCagent; null when there is no runtime).
    // checkFilesWindow is closed with it. When the character cannot be loaded
    // the user is told why and the window closes again at once.
    static MainWindow* open(const ProgramContext& context, agent::AgentControl* control,
                            MainWindowHooks hooks, QWidget* checkFilesWindow);

    // The label usr_name, which keeps the name typed on the first run.
    QLabel* userNameLabel() const { return m_userName; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindow(const ProgramContext& context, agent::AgentControl* control, MainWindowHooks hooks,
               QWidget* checkFilesWindow);

    QPointer<agent::AgentControl> m_control;
    QPointer<QWidget> m_checkFiles;
    QLabel* m_userName = nullptr;
    std::shared_ptr<LogWriteProblems> m_problems;
    std::shared_ptr<CommandDispatcher> m_dispatcher;
    bool m_shutDown = false;
};

} // namespace tk
