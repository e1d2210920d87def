#include "StartSequence.h"

#include "CommandCatalogue.h"
#include "FirstRunMarker.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"
#include "platform/core/Dialogs.h"
#include "platform/core/ProgramContext.h"
#include "platform/core/ProgramIdentity.h"
#include "platform/core/ProgramPaths.h"
#include "settings/MainSettings.h"
#include "settings/modo.h"

namespace tk {

namespace {
const QString kMainSection = QString::fromLatin1(MainSettings::kMainSection);
const QString kFirstRunKey = QString::fromLatin1(MainSettings::kFirstRunKey);
const QString kUserSection = QString::fromLatin1(MainSettings::kUserSection);
const QString kNameKey = QString::fromLatin1(MainSettings::kNameKey);
} // namespace

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

Status StartSequence::run(const ProgramContext& context, agent::AgentControl* control,
                          const Steps& steps) {
    const QString characterFile = programFile(context.programDir, QStringLiteral("tovrin.acs"));
    const QString settingsFile = MainSettings::path(context.programDir);
    const QString storedName = modo::readini(kUserSection, kNameKey, QString(), settingsFile);
    const QString firstRunMarker =
        modo::readini(kMainSection, kFirstRunKey, QStringLiteral("0"), settingsFile);

    const Status load =
        control ? control->Characters().Load(identity::characterId(), characterFile)
                : Status::failure(QStringLiteral("the character runtime is not available"));
    if (!load.isOk()) {
        const QString message = loadFailureMessage(characterFile, load.message());
        context.dialogs.message(message, QStringLiteral("ERROR"));
        return Status::failure(message);
    }

    // The handles below do nothing once the control is gone, which may happen
    // while the name box is open and the program is ending.
    agent::AgentCharacters characters = control->Characters();
    agent::AgentCharacter character = characters.Character(identity::characterId());
    character.SetLanguageID(1033);
    character.Listen(true);
    character.Show();

    if (steps.systemReport)
        steps.systemReport();

    const agent::AgentCommands commands = characters.Item(identity::characterId()).Commands();
    character.Speak(QStringLiteral("Nice to see you again, ") + storedName);
    CommandCatalogue::registerOn(commands);

    if (firstRunDue(firstRunMarker)) {
        character.Speak(QStringLiteral("Welcome!"));
        // Written before the box: a run that ends while it is open does not ask again.
        Status stored =
            modo::writeini(kMainSection, kFirstRunKey, QStringLiteral("1"), settingsFile);
        character.Speak(QStringLiteral("I see, this is our first time talking to each other."));
        character.Speak(QStringLiteral("Tell me, what's your name?"));
        // Queued speech goes on while the box waits; Cancel gives the empty name.
        const QString name = context.dialogs.input(
            QStringLiteral("TOVRIN:        What's your name?"), QStringLiteral("TOVRIN SAYS"));
        if (steps.keepUserName)
            steps.keepUserName(name);
        const Status nameStored = modo::writeini(kUserSection, kNameKey, name, settingsFile);
        if (stored.isOk())
            stored = nameStored;
        character.Speak(QStringLiteral("Hello! ") + name);
        // The name is still used in this run; the user learns why it will not last.
        if (!stored.isOk())
            context.dialogs.message(nameNotStoredMessage(settingsFile, stored.message()),
                                    QStringLiteral("ERROR"));
    }
    return Status::ok();
}

} // namespace tk
