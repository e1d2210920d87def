#include "CommandDispatcher.h"

#include "CharacterId.h"
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
    QString error;
    if (!QuestionsLog::append(m_context, input.Name, &error) && m_problems)
        m_problems->report(QuestionsLog::path(m_context), error);
}

void CommandDispatcher::runAction(const QString& name) {
    agent::AgentCharacter character = agent::AgentCharacters(m_control.data()).Item(characterId());
    const auto run = [](const std::function<void()>& action) {
        if (action)
            action();
    };
    // Names are compared exactly, case counting, in this order; the first match runs.
    if (name == QLatin1String("hello")) {
        character.Speak(QStringLiteral("Hello there!"));
    } else if (name == QLatin1String("rchat")) {
        // Only queued: the chat window opens while the character is still on its way.
        character.Play(QStringLiteral("Acknowledge"));
        character.MoveTo(0, 150);
        character.Play(QStringLiteral("GestureLeft"));
        character.Speak(QStringLiteral("What do you wanna chat about?"));
        run(m_actions.openChat);
    } else if (name == QLatin1String("exitpr")) {
        run(m_actions.closeMainWindow);
    } else if (name == QLatin1String("help")) {
        ReadmeViewer::checkread(m_context);
    } else if (name == QLatin1String("optionse")) {
        run(m_actions.openOptions);
    } else if (name == QLatin1String("tired")) {
        character.Speak(QStringLiteral("Boy you're tired."));
    } else if (name == QLatin1String("howareu")) {
        character.Speak(
            QStringLiteral("Oh yeah. I'm Fine... I'm having a good time here in your PC"));
    } else if (name == QLatin1String("thenameoftovrin")) {
        character.Speak(QStringLiteral("My name is Tovrin. You can call me Tovrin"));
    } else if (name == QLatin1String("theageoftovrin")) {
        character.Speak(QStringLiteral("I'm about 1 years old"));
    } else if (name == QLatin1String("themotherofyours")) {
        character.Speak(QStringLiteral("My mom's name is Nessa Drue"));
    } else if (name == QLatin1String("thefatherofyours")) {
        character.Speak(QStringLiteral("My dad's name is Arlo Venn of course."));
    } else if (name == QLatin1String("theauthor")) {
        character.Speak(QStringLiteral("My programmer's name is: Arlo Venn"));
        character.Speak(QStringLiteral("You can contact him at: ") +
                        QString::fromLatin1(identity::kContactAddress));
    } else {
        TimeOfDayReply::checktime_ask(character, m_context.clock);
    }
}

} // namespace tk
