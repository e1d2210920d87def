#include "character/CommandCatalogue.h"

#include "RecordingAgent.h"
#include "agent/AgentCharacters.h"

#include <QtTest>

using namespace tk;

namespace {
// A registration as text: name|caption|voice|enabled|visible, "-" for a left-out argument.
QString describe(const agent::CommandRegistration& c) {
    const auto flag = [](std::optional<bool> b) {
        return b ? QString(*b ? "true" : "false") : "-";
    };
    return QStringList{c.name, c.caption, c.voice.value_or("-"), flag(c.enabled), flag(c.visible)}
        .join('|');
}
} // namespace

class CommandCatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void registerOn_addsTheThirteenCommandsInOrderAndForm() {
        test::RecordingAgent agent;
        agent.Characters().Load("Tovrin", "/x/tovrin.acs");
        CommandCatalogue::registerOn(agent.Characters().Item("Tovrin").Commands());

        const QStringList expected{
            "hello|Hello|[hello][what's up][hi there][hey][hey dude][howdy][hey pal][hey "
            "tovrin]|-|false",
            "tired|Tired|[Oh boy][whew][ah][I'm so tired][tired][Too tired][I need some "
            "rest]|-|false",
            "howareu|howru|[How are you?][are you ok?][how's it going?][having a nice "
            "day?]|-|false",
            "thenameoftovrin||[what's your name?][what can I call you?]|-|false",
            "rchat|Real Chat|[rchat][real chat][chat][vchat][virtual "
            "chat][conversation][talk][talking]|-|-",
            "oop2s|" + QString(45, '-') + "|-|-|-",
            "help|Help|[help][hint][f1][readme]|-|-",
            "optionse|Options|[options][option][settings][setting]|-|-",
            "exitpr|Exit|[exit][quit][get out of here]|-|-",
            "theageoftovrin||[how old are you?][what is your age?][what is your age, "
            "tovrin?][what's your age?][how old are you, tovrin?][what's your age, "
            "tovrin?]|-|false",
            "themotherofyours||[who's your mother?][who is your mom?][who is your "
            "mother?][who's your mom?][what's your mom's name?][what's your mother's "
            "name?][what's the name of your mom?][what's the name of your mother?]|-|false",
            "thefatherofyours||[who's your father?][who is your dad?][who is your "
            "father?][who's your dad?][what's your father's name?][what's your dad's "
            "name?][what's the name of your dad?][what's the name of your father?]|-|false",
            "theauthor||[who's your author?][who's your programmer?][who's your "
            "creator?][what's your creator's name?][what's your author's name?][what's your "
            "programmer's name?][how do i contact your programmer?][how do i contact your "
            "creator?][how do i contact your author?][how can i contact your creator?][how "
            "can i contact your programmer?][how can i contact your author?][what's the name "
            "of your programmer?][what's the name of your author?][what's the name of your "
            "creator?]|-|false",
        };
        QStringList registered;
        for (const agent::CommandRegistration& c : agent.commands)
            registered.append(describe(c));
        QCOMPARE(registered, expected);

        // The pop-up menu: the visible entries in registration order.
        QStringList menu;
        for (const agent::CommandRegistration& c : agent.commands) {
            if (c.isVisible() && c.isEnabled())
                menu.append(c.caption);
        }
        QCOMPARE(menu, QStringList({"Real Chat", QString(45, '-'), "Help", "Options", "Exit"}));
    }
};

QTEST_GUILESS_MAIN(CommandCatalogueTest)
#include "CommandCatalogueTest.moc"
