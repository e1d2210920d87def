#include "character/CommandDispatcher.h"

#include "RecordingAgent.h"
#include "TestContext.h"
#include "agent/AgentCharacters.h"
#include "character/LogWriteProblems.h"
#include "character/TimeOfDayReply.h"

#include <QtTest>

using namespace tk;

namespace {
const QString kEvening = "Wow... I don't know. Why don't you mail my creator?";
const QString kMorning = "I don't know. I must ask my Creator. But he's having a rest now.";
const QString kNight = "Oh, boy. I better go learn something!";

QByteArray logEntry(const test::TestContext& t, const QByteArray& name) {
    const QByteArray rule(17, '=');
    return rule + "\r\n" + name + "\r\n" + t.clock.shortDateText().toUtf8() + "\r\n" + rule +
           "\r\n";
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
                          logAtClose = t.readFile(t.programFile("questions.mlp"));
                      }},
                     problems) {
        agent.Characters().Load("Tovrin", t.programFile("tovrin.acs"));
        agent.calls.clear();
    }
    void command(const QString& name) {
        agent::UserInput input;
        input.Name = name;
        dispatcher.dispatch(input);
    }

    test::TestContext t;
    test::RecordingAgent agent;
    std::shared_ptr<LogWriteProblems> problems;
    CommandDispatcher dispatcher;
    QByteArray logAtClose;
};
} // namespace

class CommandDispatcherTest : public QObject {
    Q_OBJECT
private slots:
    void command_runsItsActionThenLogsOneEntry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("calls");
        const auto speak = [](const QString& text) { return QStringList{"speak Tovrin|" + text}; };
        QTest::newRow("hello") << "hello" << speak("Hello there!");
        QTest::newRow("rchat") << "rchat"
                               << QStringList{"play Tovrin|Acknowledge", "moveTo Tovrin|0,150",
                                              "play Tovrin|GestureLeft",
                                              "speak Tovrin|What do you wanna chat about?",
                                              "window openChat"};
        QTest::newRow("optionse") << "optionse" << QStringList{"window openOptions"};
        QTest::newRow("tired") << "tired" << speak("Boy you're tired.");
        QTest::newRow("howareu")
            << "howareu" << speak("Oh yeah. I'm Fine... I'm having a good time here in your PC");
        QTest::newRow("thenameoftovrin")
            << "thenameoftovrin" << speak("My name is Tovrin. You can call me Tovrin");
        QTest::newRow("theageoftovrin") << "theageoftovrin" << speak("I'm about 1 years old");
        QTest::newRow("themotherofyours")
            << "themotherofyours" << speak("My mom's name is Nessa Drue");
        QTest::newRow("thefatherofyours")
            << "thefatherofyours" << speak("My dad's name is Arlo Venn of course.");
        QTest::newRow("theauthor")
            << "theauthor"
            << QStringList{"speak Tovrin|My programmer's name is: Arlo Venn",
                           "speak Tovrin|You can contact him at: tovrinkin@example.org"};
        // Anything else gets the time-of-day reply (15:00 here).
        QTest::newRow("separator") << "oop2s" << speak(kEvening);
        QTest::newRow("empty name") << "" << speak(kEvening);
        QTest::newRow("other capitals") << "Hello" << speak(kEvening);
        QTest::newRow("unknown") << "sing" << speak(kEvening);
        QTest::newRow("hyphens") << QString(45, '-') << speak(kEvening);
    }
    void command_runsItsActionThenLogsOneEntry() {
        QFETCH(QString, name);
        QFETCH(QStringList, calls);
        Fixture f;
        f.command(name);
        QCOMPARE(f.agent.calls, calls);
        QCOMPARE(f.t.readFile(f.t.programFile("questions.mlp")), logEntry(f.t, name.toUtf8()));
        QVERIFY(f.t.dialogs.shown.isEmpty());
        QVERIFY(f.t.launcher.starts.isEmpty());
    }

    void help_opensTheReadmeOrSaysItIsMissing() {
        Fixture f;
        f.command("help");
        QCOMPARE(f.t.dialogs.shown, QStringList{"message tovrinkin|Can't find the read me file!"});
        f.t.writeFile(f.t.programFile("readme.txt"), "Read me.\r\n");
        f.command("help");
        QCOMPARE(f.t.launcher.starts, QStringList{"xdg-open|" + f.t.programFile("readme.txt")});
        QVERIFY(f.agent.calls.isEmpty());
        QCOMPARE(f.t.readFile(f.t.programFile("questions.mlp")),
                 logEntry(f.t, "help") + logEntry(f.t, "help"));
    }

    void exit_closesTheMainWindowAndIsLoggedAfterwards() {
        Fixture f;
        f.command("hello");
        f.command("exitpr");
        QCOMPARE(f.agent.calls,
                 QStringList({"speak Tovrin|Hello there!", "window closeMainWindow"}));
        QCOMPARE(f.logAtClose, logEntry(f.t, "hello")); // not yet logged when closing
        QCOMPARE(f.t.readFile(f.t.programFile("questions.mlp")),
                 logEntry(f.t, "hello") + logEntry(f.t, "exitpr"));
    }

    void timeOfDay_repliesByStrictWindows_data() {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("reply");
        QTest::newRow("00:00") << "00:00" << kNight;
        QTest::newRow("04:59") << "04:59" << kNight;
        QTest::newRow("05:00") << "05:00"
                               << "";
        QTest::newRow("05:01") << "05:01" << kMorning;
        QTest::newRow("09:59") << "09:59" << kMorning;
        QTest::newRow("10:00") << "10:00"
                               << "";
        QTest::newRow("10:01") << "10:01" << kEvening;
        QTest::newRow("22:59") << "22:59" << kEvening;
        QTest::newRow("23:00") << "23:00"
                               << "";
        QTest::newRow("23:01") << "23:01" << kNight;
        QTest::newRow("23:59") << "23:59" << kNight;
    }
    void timeOfDay_repliesByStrictWindows() {
        QFETCH(QString, time);
        QFETCH(QString, reply);
        QCOMPARE(TimeOfDayReply::replyAt(time), reply);
        Fixture f;
        f.t.clock.setTime(time);
        f.command("oop2s");
        QCOMPARE(f.agent.spokenTexts(), reply.isEmpty() ? QStringList{} : QStringList{reply});
        // Said or not, the event is logged.
        QCOMPARE(f.t.readFile(f.t.programFile("questions.mlp")), logEntry(f.t, "oop2s"));
    }
};

QTEST_GUILESS_MAIN(CommandDispatcherTest)
#include "CommandDispatcherTest.moc"
