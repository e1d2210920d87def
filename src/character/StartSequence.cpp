#include "StartSequence.h"

#include "CharacterId.h"
#include "CommandCatalogue.h"
#include "FirstRunMarker.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramPaths.h"
#include "settings/modo.h"

namespace tk {

QString StartSequence::loadFailureMessage(const QString& characterFile, const QString& reason) {
    const QString prefix = characterFile + QStringLiteral(": ");
    const QString why = reason.startsWith(prefix) ? reason.mid(prefix.size()) : reason;
    return QStringLiteral("Tovrin could not be loaded from the character file %1: %2")
        .arg(characterFile, why);
}

QString StartSequence::nameNotStoredMessage(const QString& settingsFile, const QString& reason) {
    return QStringLiteral("Your name could not be stored in the settings file %1: %2. "
                          "Tovrin will ask for it again at the next start.")
        .arg(settingsFile, reason);
}

StartSequence::Result StartSequence::run(const ProgramContext& context,
                                         agent::AgentControl* control, const Steps& steps) {
    const QString characterFile = programFile(context.programDir, QStringLiteral("tovrin.acs"));
    const QString settingsFile = programFile(context.programDir, QStringLiteral("main.ini"));
    const QString storedName =
        modo::readini(QStringLiteral("USER"), QStringLiteral("NAME"), QString(), settingsFile);
    const QString firstRunMarker = modo::readini(QStringLiteral("MAIN"), QStringLiteral("FIRST"),
                                                 QStringLiteral("0"), settingsFile);

    const agent::LoadResult load =
        control
            ? control->Characters().Load(characterId(), characterFile)
            : agent::LoadResult{false, QStringLiteral("the character runtime is not available")};
    if (!load.ok) {
        Result result{false, loadFailureMessage(characterFile, load.error)};
        context.dialogs.message(result.error, QStringLiteral("ERROR"));
        return result;
    }

    // The handles below do nothing once the control is gone, which may happen
    // while the name box is open and the program is ending.
    agent::AgentCharacters characters = control->Characters();
    agent::AgentCharacter character = characters.Character(characterId());
    character.setLanguageID(1033);
    character.Listen(true);
    character.Show();

    if (steps.systemReport)
        steps.systemReport();

    const agent::AgentCommands commands = characters.Item(characterId()).Commands();
    character.Speak(QStringLiteral("Nice to see you again, ") + storedName);
    CommandCatalogue::registerOn(commands);

    if (firstRunDue(firstRunMarker)) {
        character.Speak(QStringLiteral("Welcome!"));
        // Written before the box: a run that ends while it is open does not ask again.
        QString failure;
        modo::writeini(QStringLiteral("MAIN"), QStringLiteral("FIRST"), QStringLiteral("1"),
                       settingsFile, &failure);
        character.Speak(QStringLiteral("I see, this is our first time talking to each other."));
        character.Speak(QStringLiteral("Tell me, what's your name?"));
        // Queued speech goes on while the box waits; Cancel gives the empty name.
        const QString name = context.dialogs.input(
            QStringLiteral("TOVRIN:        What's your name?"), QStringLiteral("TOVRIN SAYS"));
        if (steps.keepUserName)
            steps.keepUserName(name);
        QString nameFailure;
        if (!modo::writeini(QStringLiteral("USER"), QStringLiteral("NAME"), name, settingsFile,
                            &nameFailure) &&
            failure.isEmpty())
            failure = nameFailure;
        character.Speak(QStringLiteral("Hello! ") + name);
        // The name is still used in this run; the user learns why it will not last.
        if (!failure.isEmpty())
            context.dialogs.message(nameNotStoredMessage(settingsFile, failure),
                                    QStringLiteral("ERROR"));
    }
    return Result{true, QString()};
}

} // namespace tk
