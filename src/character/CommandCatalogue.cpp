#include "CommandCatalogue.h"

#include "agent/api/AgentCommands.h"
#include "platform/core/ProgramIdentity.h"

#include <optional>

namespace tk {

const QList<CommandCatalogue::Entry>& CommandCatalogue::entries() {
    using F = Form;
    using A = Action;
    const auto say = [](const char* text) { return QStringList{QString::fromUtf8(text)}; };
    static const QList<Entry> catalogue{
        {QStringLiteral("hello"), QStringLiteral("Hello"),
         QStringLiteral("[hello][what's up][hi there][hey][hey dude][howdy][hey pal][hey tovrin]"),
         F::NameCaptionVoiceInvisible, A::Speak, say("Hello there!")},
        {QStringLiteral("tired"), QStringLiteral("Tired"),
         QStringLiteral("[Oh boy][whew][ah][I'm so tired][tired][Too tired][I need some rest]"),
         F::NameCaptionVoiceInvisible, A::Speak, say("Boy you're tired.")},
        {QStringLiteral("howareu"), QStringLiteral("howru"),
         QStringLiteral("[How are you?][are you ok?][how's it going?][having a nice day?]"),
         F::NameCaptionVoiceInvisible, A::Speak,
         say("Oh yeah. I'm Fine... I'm having a good time here in your PC")},
        {QStringLiteral("thenameoftovrin"), QString(),
         QStringLiteral("[what's your name?][what can I call you?]"), F::NameCaptionVoiceInvisible,
         A::Speak, say("My name is Tovrin. You can call me Tovrin")},
        {QStringLiteral("rchat"),
         QStringLiteral("Real Chat"),
         QStringLiteral(
             "[rchat][real chat][chat][vchat][virtual chat][conversation][talk][talking]"),
         F::NameCaptionVoice,
         A::RealChat,
         {}},
        {QStringLiteral("oop2s"),
         QString(45, QLatin1Char('-')),
         QString(),
         F::NameCaption,
         A::AskTheTime,
         {}},
        {QStringLiteral("help"),
         QStringLiteral("Help"),
         QStringLiteral("[help][hint][f1][readme]"),
         F::NameCaptionVoice,
         A::Help,
         {}},
        {QStringLiteral("optionse"),
         QStringLiteral("Options"),
         QStringLiteral("[options][option][settings][setting]"),
         F::NameCaptionVoice,
         A::Options,
         {}},
        {QStringLiteral("exitpr"),
         QStringLiteral("Exit"),
         QStringLiteral("[exit][quit][get out of here]"),
         F::NameCaptionVoice,
         A::Exit,
         {}},
        {QStringLiteral("theageoftovrin"), QString(),
         QStringLiteral("[how old are you?][what is your age?][what is your age, tovrin?]"
                        "[what's your age?][how old are you, tovrin?][what's your age, tovrin?]"),
         F::NameCaptionVoiceInvisible, A::Speak, say("I'm about 1 years old")},
        {QStringLiteral("themotherofyours"), QString(),
         QStringLiteral("[who's your mother?][who is your mom?][who is your mother?]"
                        "[who's your mom?][what's your mom's name?][what's your mother's name?]"
                        "[what's the name of your mom?][what's the name of your mother?]"),
         F::NameCaptionVoiceInvisible, A::Speak, say("My mom's name is Nessa Drue")},
        {QStringLiteral("thefatherofyours"), QString(),
         QStringLiteral("[who's your father?][who is your dad?][who is your father?]"
                        "[who's your dad?][what's your father's name?][what's your dad's name?]"
                        "[what's the name of your dad?][what's the name of your father?]"),
         F::NameCaptionVoiceInvisible, A::Speak, say("My dad's name is Arlo Venn of course.")},
        {QStringLiteral("theauthor"),
         QString(),
         QStringLiteral("[who's your author?][who's your programmer?][who's your creator?]"
                        "[what's your creator's name?][what's your author's name?]"
                        "[what's your programmer's name?][how do i contact your programmer?]"
                        "[how do i contact your creator?][how do i contact your author?]"
                        "[how can i contact your creator?][how can i contact your programmer?]"
                        "[how can i contact your author?][what's the name of your programmer?]"
                        "[what's the name of your author?][what's the name of your creator?]"),
         F::NameCaptionVoiceInvisible,
         A::Speak,
         {QStringLiteral("My programmer's name is: Arlo Venn"),
          QStringLiteral("You can contact him at: ") +
              QString::fromLatin1(identity::kContactAddress)}},
    };
    return catalogue;
}

const CommandCatalogue::Entry* CommandCatalogue::find(const QString& name) {
    for (const Entry& entry : entries()) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

void CommandCatalogue::registerOn(agent::AgentCommands commands) {
    for (const Entry& entry : entries()) {
        switch (entry.form) {
        case Form::NameCaption:
            commands.Add(entry.name, entry.caption);
            break;
        case Form::NameCaptionVoice:
            commands.Add(entry.name, entry.caption, entry.voice);
            break;
        case Form::NameCaptionVoiceInvisible:
            commands.Add(entry.name, entry.caption, entry.voice, std::nullopt, false);
            break;
        }
    }
}

} // namespace tk
