#include "chat/ChatTurn.h"

#include "RecordingAgent.h"
#include "TestContext.h"

#include <QDir>
#include <QtTest>

using namespace tk;

namespace {

// The lines of log.tz, split at CR LF.
QStringList logLines(const test::TestContext& t) {
    const QString text = QString::fromUtf8(test::TestContext::readFile(t.programFile("log.tz")));
    return text.isEmpty() ? QStringList{} : text.chopped(2).split("\r\n");
}

struct Fixture {
    test::TestContext t;
    test::RecordingAgent agent;
    Fixture() { agent.loadCharacter("Tovrin", "tovrin.acs"), agent.calls.clear(); }
};

} // namespace

class ChatTurnTest : public QObject {
    Q_OBJECT
private slots:
    void turn_speaksAndRecordsWhatThePhraseCallsFor_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("box");      // the one box shown, or ""
        QTest::addColumn<QStringList>("said"); // empty: nothing spoken or written
        auto row = [](const char* name, QString phrase, QString answer, QString box,
                      QStringList said) { QTest::newRow(name) << phrase << answer << box << said; };
        const QString ask = "input %1|What's your name?";
        row("general header", "---GENERAL---", "",
            "message GENERAL|Please select an option "
            "from below... Hello!,Hey!...",
            {});
        row("names header", "---NAMES---", "",
            "message name|Please select an name option from "
            "below... Note please type in your name in a box below this box if a box appears...",
            {});
        row("hey dude", "Hey dude, my name is...", "Sam", ask.arg("name"),
            {"Hey dude, my name is Sam"});
        row("what's up", "What's up? My name is...", "Sam", ask.arg("name"),
            {"What's up? My name is Sam"});
        row("cool", "Cool! Now you know, my name is...", "Sam", ask.arg("name"),
            {"Cool! Now you know, my name is Sam"});
        row("let me", "Let me tell you, my name is...", "Sam", ask.arg("Name"),
            {"Let me tell you, my name is Sam"});
        row("wanna know", "You wanna know about me? My name is...", "Sam", ask.arg("Name"),
            {"You wanna know about me? My name is Sam"});
        row("cancelled", "Hey dude, my name is...", "", ask.arg("name"), {"Hey dude, my name is "});
        row("blanks kept", "Let me tell you, my name is...", "  Sam Lee ", ask.arg("Name"),
            {"Let me tell you, my name is   Sam Lee "});
        row("pasted line break", "What's up? My name is...", "Sam\r\nLee", ask.arg("name"),
            {"What's up? My name is Sam Lee"});
        row("other case", "hey dude, my name is...", "", "", {"hey dude, my name is..."});
        row("extra blank", "Hey dude,  my name is...", "", "", {"Hey dude,  my name is..."});
        row("ok everybody", "OK everybody! My name is...", "", "", {"OK everybody! My name is..."});
        row("my name is", "My name is...", "", "", {"My name is..."});
        row("untouched", "Type something...", "", "", {"Type something..."});
        row("empty", "", "", "", {""});
        row("typed lines", "Hi\rthere\nyou", "", "", {"Hi there you"});
    }

    void turn_speaksAndRecordsWhatThePhraseCallsFor() {
        QFETCH(QString, phrase);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QFETCH(QStringList, said);
        Fixture f;
        f.t.dialogs.inputAnswers = {answer};
        const std::optional<QString> line = ChatTurn::run(f.t.context, &f.agent, phrase);
        QCOMPARE(f.t.dialogs.shown, box.isEmpty() ? QStringList{} : QStringList{box});
        QCOMPARE(f.agent.spokenTexts(), said);
        QCOMPARE(line.has_value(), !said.isEmpty());
        const QStringList lines = logLines(f.t);
        QCOMPARE(lines.size(), said.isEmpty() ? 0 : 6); // a header never creates the file
        if (!said.isEmpty())
            QCOMPARE(lines[4], said[0]);
    }

    void twoTurns_appendTwoWholeRecordsAfterWhatWasThere() {
        Fixture f;
        const QString path = f.t.programFile("log.tz");
        f.t.writeFile(path, "earlier\r\n");
        f.t.dialogs.inputAnswers = {"Sam", "Kim"};
        ChatTurn::run(f.t.context, &f.agent, "Hey dude, my name is...");
        ChatTurn::run(f.t.context, &f.agent, "Hey dude, my name is...");
        auto record = [&](const QByteArray& line) {
            return "==================" + f.t.clock.shortDateText().toUtf8() +
                   "=======================\r\nReport type: CHAT\r\n" + path.toUtf8() +
                   "\r\n1\r\n" + line + "\r\n==================1==========================\r\n";
        };
        QCOMPARE(test::TestContext::readFile(path), "earlier\r\n" +
                                                        record("Hey dude, my name is Sam") +
                                                        record("Hey dude, my name is Kim"));
    }

    void channel_isTheLowestNumberNoOpenFileHolds() {
        Fixture f;
        {
            const ChannelLease elsewhere = f.t.channels.acquireLowest();
            ChatTurn::run(f.t.context, &f.agent, "Hello!");
        }
        ChatTurn::run(f.t.context, &f.agent, "Hey!");
        QCOMPARE(logLines(f.t)[3], QString("2"));
        QCOMPARE(logLines(f.t)[9], QString("1"));
    }

    void unwritableTranscript_isReportedAfterTheSpeech() {
        Fixture f;
        QVERIFY(QDir().mkdir(f.t.programFile("log.tz"))); // a directory where the file goes
        ChatTurn::run(f.t.context, &f.agent, "Hello!");
        QCOMPARE(f.agent.spokenTexts(), QStringList{"Hello!"});
        QCOMPARE(f.t.dialogs.shown.size(), 1);
        QVERIFY2(f.t.dialogs.shown[0].startsWith("message ERROR|") &&
                     f.t.dialogs.shown[0].contains(f.t.programFile("log.tz")),
                 qPrintable(f.t.dialogs.shown[0]));
    }

    void characterNotLoaded_speaksNothingButKeepsTheRecord() {
        Fixture f;
        // The program's Exit unloads the character while the name box is up;
        // then a turn with the character gone, and one without any control.
        f.t.dialogs.whileOpen = [&] { f.agent.unloadCharacter("Tovrin"); };
        f.t.dialogs.inputAnswers = {"Sam"};
        ChatTurn::run(f.t.context, &f.agent, "Hey dude, my name is...");
        ChatTurn::run(f.t.context, &f.agent, "Hello!");
        ChatTurn::run(f.t.context, nullptr, "Hey!");
        QCOMPARE(f.agent.calls.filter("speak") + f.agent.ignoredCalls, QStringList{});
        const QStringList lines = logLines(f.t);
        QCOMPARE(lines.size(), 18);
        QCOMPARE((QStringList{lines[4], lines[10], lines[16]}),
                 (QStringList{"Hey dude, my name is Sam", "Hello!", "Hey!"}));
    }
};

QTEST_GUILESS_MAIN(ChatTurnTest)
#include "ChatTurnTest.moc"
