#include "CommandDispatcher.h"

#include "CommandCatalogue.h"
#include "LogWriteProblems.h"
#include "QuestionsLog.h"
#include "TimeOfDayReply.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"
#include "platform/core/ProgramIdentity.h"
#include "utilities/ReadmeViewer.h"

#include <utility>

namespace tk {

CommandDispatcher::CommandDispatcher(const ProgramContext& context, agent::AgentControl* control,
                                     WindowActions actions,
                                     std::shared_ptr<LogWriteProblems> problems)
    : m_context(context), m_control(control), m_actions(std::move(actions)),
      m_problems(std::move(problems)) {}

void CommandDispatcher::dispatch(const agent::UserInput& input) {
    runAction(input.Name);
    // Every event leaves one entry, answered or not, after its action: for
    // "exitpr" that is after the main window has closed.
    const Status logged = QuestionsLog::append(m_context, input.Name);
    if (!logged.isOk() && m_problems)
        m_problems->report(QuestionsLog::path(m_context), logged.message());
}

void CommandDispatcher::runAction(const QString& name) {
    agent::AgentCharacter character =
        agent::AgentCharacters(m_control.data()).Item(identity::characterId());
    const auto run = [](const std::function<void()>& action) {
        if (action)
            action();
    };
    // Names are compared exactly, case counting; a name the catalogue does not
    // hold gets the time-of-day reply.
    const CommandCatalogue::Entry* entry = CommandCatalogue::find(name);
    switch (entry ? entry->action : CommandCatalogue::Action::AskTheTime) {
    case CommandCatalogue::Action::Speak:
        for (const QString& reply : entry->replies)
            character.Speak(reply);
        break;
    case CommandCatalogue::Action::RealChat:
        // Only queued: the chat window opens while the character is still on its way.
        character.Play(QStringLiteral("Acknowledge"));
        character.MoveTo(0, 150);
        character.Play(QStringLiteral("GestureLeft"));
        character.Speak(QStringLiteral("What do you wanna chat about?"));
        run(m_actions.openChat);
        break;
    case CommandCatalogue::Action::Exit:
        run(m_actions.closeMainWindow);
        break;
    case CommandCatalogue::Action::Help:
        ReadmeViewer::checkread(m_context);
        break;
    case CommandCatalogue::Action::Options:
        run(m_actions.openOptions);
        break;
    case CommandCatalogue::Action::AskTheTime:
        TimeOfDayReply::checktime_ask(character, m_context.clock);
        break;
    }
}

} // namespace tk
