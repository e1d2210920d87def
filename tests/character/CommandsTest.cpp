#include "RecordingAgent.h"
#include "TestContext.h"
#include "agent/api/AgentCharacters.h"
#include "character/CommandCatalogue.h"
#include "character/CommandDispatcher.h"
#include "character/LogWriteProblems.h"

#include <QtTest>

using namespace tk;

namespace {
const QString kEvening = "Wow... I don't know. Why don't you mail my creator?";
const QString kMorning = "I don't know. I must ask my Creator. But he's having a rest now.";
const QString kNight = "Oh, boy. I better go learn something!";

// A registration as text: name|caption|voice|enabled|visible, "-" for a left-out argument.
QString describe(const agent::CommandRegistration& c) {
    const auto flag = [](std::optional<bool> b) {
        return b ? QString(*b ? "true" : "false") : "-";
    };
    return QStringList{c.name, c.caption, c.voice.value_or("-"), flag(c.enabled), flag(c.visible)}
        .join('|');
}

// A dispatcher on a loaded recording character; the window actions record
// themselves among the character's calls, so their order shows.
struct Fixture {
    Fixture()
        : problems(std::make_shared<LogWriteProblems>(t.dialogs)),
          dispatcher(t.context, &agent,
                     {[this] { agent.calls.append("window openChat"); },
                      [this] { agent.calls.append("window openOptions"); },
                      [this] {
                          agent.calls.append("window closeMainWindow");
                          logAtClose = log();
                      }},
                     problems) {
        QVERIFY(agent.Characters().Load("Tovrin", t.programFile("tovrin.acs")).isOk());
        agent.calls.clear();
    }
    void command(const QString& name) {
        agent::UserInput input;
        input.Name = name;
        dispatcher.dispatch(input);
    }
    QByteArray log() const { return t.readFile(t.programFile("questions.mlp")); }

    test::TestContext t;
    test::RecordingAgent agent;
    std::shared_ptr<LogWriteProblems> problems;
    CommandDispatcher dispatcher;
    QByteArray logAtClose;
};
} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void registerOn_addsTheThirteenCommandsInOrderAndForm() {
        test::RecordingAgent agent;
        QVERIFY(agent.Characters().Load("Tovrin", "/x/tovrin.acs").isOk());
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
        QStringList menu; // the pop-up menu: the visible entries in registration order
        for (const agent::CommandRegistration& c : agent.commands) {
            registered.append(describe(c));
            if (c.isVisible() && c.isEnabled())
                menu.append(c.caption);
        }
        QCOMPARE(registered, expected);
        QCOMPARE(menu, QStringList({"Real Chat", QString(45, '-'), "Help", "Options", "Exit"}));
    }

    void command_runsItsActionThenLogsOneEntry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("calls");
        const auto row = [](const QString& name, const QStringList& calls) {
            QTest::newRow(qPrintable(name.isEmpty() ? "empty name" : name.left(10)))
                << name << calls;
        };
        const auto speak = [&](const QString& name, const QString& text) {
            row(name, {"speak Tovrin|" + text});
        };
        speak("hello", "Hello there!");
        row("rchat", {"play Tovrin|Acknowledge", "moveTo Tovrin|0,150", "play Tovrin|GestureLeft",
                      "speak Tovrin|What do you wanna chat about?", "window openChat"});
        row("optionse", {"window openOptions"});
        speak("tired", "Boy you're tired.");
        speak("howareu", "Oh yeah. I'm Fine... I'm having a good time here in your PC");
        speak("thenameoftovrin", "My name is Tovrin. You can call me Tovrin");
        speak("theageoftovrin", "I'm about 1 years old");
        speak("themotherofyours", "My mom's name is Nessa Drue");
        speak("thefatherofyours", "My dad's name is Arlo Venn of course.");
        row("theauthor", {"speak Tovrin|My programmer's name is: Arlo Venn",
                          "speak Tovrin|You can contact him at: tovrinkin@example.org"});
        // Anything else gets the time-of-day reply (15:00 here).
        for (const QString& other :
             {QString("oop2s"), QString(), QString("Hello"), QString("sing"), QString(45, '-')})
            speak(other, kEvening);
    }
    void command_runsItsActionThenLogsOneEntry() {
        QFETCH(QString, name);
        QFETCH(QStringList, calls);
        Fixture f;
        f.command(name);
        QCOMPARE(f.agent.calls, calls);
        QCOMPARE(f.log(), f.t.questionsLog({name}));
        QVERIFY(f.t.dialogs.shown.isEmpty() && f.t.launcher.starts.isEmpty());
    }

    void help_opensTheReadmeOrSaysItIsMissing() {
        Fixture f;
        f.command("help");
        QCOMPARE(f.t.dialogs.shown, QStringList{"message tovrinkin|Can't find the read me file!"});
        f.t.writeFile(f.t.programFile("readme.txt"), "Read me.\r\n");
        f.command("help");
        QCOMPARE(f.t.launcher.starts, QStringList{"xdg-open|" + f.t.programFile("readme.txt")});
        QVERIFY(f.agent.calls.isEmpty());
        QCOMPARE(f.log(), f.t.questionsLog({"help", "help"}));
    }

    void exit_closesTheMainWindowAndIsLoggedAfterwards() {
        Fixture f;
        f.command("hello");
        f.command("exitpr");
        QCOMPARE(f.agent.calls,
                 QStringList({"speak Tovrin|Hello there!", "window closeMainWindow"}));
        QCOMPARE(f.logAtClose, f.t.questionsLog({"hello"})); // not yet logged when closing
        QCOMPARE(f.log(), f.t.questionsLog({"hello", "exitpr"}));
    }

    // Each reply's window is open at both ends; at 05:00, 10:00 and 23:00 nothing is said.
    void timeOfDay_repliesByStrictWindows_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("reply");
        const QList<std::pair<const char*, QString>> rows{
            {"00:00", kNight},   {"04:59", kNight}, {"05:00", ""},       {"05:01", kMorning},
            {"09:59", kMorning}, {"10:00", ""},     {"10:01", kEvening}, {"22:59", kEvening},
            {"23:00", ""},       {"23:01", kNight}, {"23:59", kNight}};
        for (const auto& [time, reply] : rows)
            QTest::newRow(time) << QString(time) << reply;
    }
    void timeOfDay_repliesByStrictWindows() {
        QFETCH(QString, time);
        QFETCH(QString, reply);
        Fixture f;
        f.t.clock.setTime(time);
        f.command("oop2s");
        QCOMPARE(f.agent.spokenTexts(), reply.isEmpty() ? QStringList{} : QStringList{reply});
        QCOMPARE(f.log(), f.t.questionsLog({"oop2s"})); // said or not, the event is logged
    }
};

QTEST_GUILESS_MAIN(CommandsTest)
#include "CommandsTest.moc"
