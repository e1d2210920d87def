#pragma once

#include "platform/core/ProgramContext.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

namespace tk {

class LogWriteProblems;
namespace agent {
class AgentControl;
struct UserInput;
} // namespace agent

// The reaction to the character's Command event: turns the command's name into
// a spoken reply, an animation sequence or a window, then appends the event to
// the questions log. Keeps no state between events.
class CommandDispatcher {
public:
    // The windows that commands open or close; an empty action does nothing.
    struct WindowActions {
        std::function<void()> openChat;        // show the chat window with the focus
        std::function<void()> openOptions;     // show the options window, redrawn at once
        std::function<void()> closeMainWindow; // close the main window (shutdown)
    };

    CommandDispatcher(const ProgramContext& context, agent::AgentControl* control,
                      WindowActions actions, std::shared_ptr<LogWriteProblems> problems);
    CommandDispatcher(const CommandDispatcher&) = delete;
    CommandDispatcher& operator=(const CommandDispatcher&) = delete;

    // Handles one Command event: the action for its name, then one log entry.
    void dispatch(const agent::UserInput& input);

private:
    void runAction(const QString& name);

    ProgramContext m_context;
    QPointer<agent::AgentControl> m_control;
    WindowActions m_actions;
    std::shared_ptr<LogWriteProblems> m_problems;
};

} // namespace tk
