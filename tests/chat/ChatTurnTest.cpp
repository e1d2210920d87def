#include "chat/ChatTurn.h"

#include "RecordingAgent.h"
#include "TestContext.h"

#include <QDir>
#include <QtTest>

using namespace tk;

namespace {

const QString kGeneralHint = "message GENERAL|Please select an option from below... Hello!,Hey!...";
const QString kNamesHint =
    "message name|Please select an name option from below... Note please type in your name in a "
    "box below this box if a box appears...";

QString logPath(const test::TestContext& t) {
    return t.programFile("log.tz");
}

// The lines of log.tz split at CR LF.
QStringList logLines(const test::TestContext& t) {
    QString text = QString::fromUtf8(test::TestContext::readFile(logPath(t)));
    if (text.endsWith("\r\n"))
        text.chop(2);
    return text.split("\r\n");
}

} // namespace

class ChatTurnTest : public QObject {
    Q_OBJECT
private slots:
    void turn_speaksAndRecordsWhatThePhraseCallsFor_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("spoken"); // empty: nothing spoken, nothing written

        const QString ask = "input %1|What's your name?";
        QTest::newRow("general header")
            << "---GENERAL---" << QStringList{} << QStringList{kGeneralHint} << QStringList{};
        QTest::newRow("names header")
            << "---NAMES---" << QStringList{} << QStringList{kNamesHint} << QStringList{};
        QTest::newRow("hey dude") << "Hey dude, my name is..." << QStringList{"Sam"}
                                  << QStringList{ask.arg("name")}
                                  << QStringList{"Hey dude, my name is Sam"};
        QTest::newRow("what's up")
            << "What's up? My name is..." << QStringList{"Sam"} << QStringList{ask.arg("name")}
            << QStringList{"What's up? My name is Sam"};
        QTest::newRow("cool") << "Cool! Now you know, my name is..." << QStringList{"Sam"}
                              << QStringList{ask.arg("name")}
                              << QStringList{"Cool! Now you know, my name is Sam"};
        QTest::newRow("let me tell you")
            << "Let me tell you, my name is..." << QStringList{"Sam"}
            << QStringList{ask.arg("Name")} << QStringList{"Let me tell you, my name is Sam"};
        QTest::newRow("wanna know") << "You wanna know about me? My name is..."
                                    << QStringList{"Sam"} << QStringList{ask.arg("Name")}
                                    << QStringList{"You wanna know about me? My name is Sam"};
        QTest::newRow("name cancelled")
            << "Hey dude, my name is..." << QStringList{} << QStringList{ask.arg("name")}
            << QStringList{"Hey dude, my name is "};
        QTest::newRow("name with blanks")
            << "Let me tell you, my name is..." << QStringList{"  Sam Lee "}
            << QStringList{ask.arg("Name")}
            << QStringList{"Let me tell you, my name is   Sam Lee "};
        QTest::newRow("other case") << "hey dude, my name is..." << QStringList{"Sam"}
                                    << QStringList{} << QStringList{"hey dude, my name is..."};
        QTest::newRow("extra blank") << "Hey dude,  my name is..." << QStringList{"Sam"}
                                     << QStringList{} << QStringList{"Hey dude,  my name is..."};
        QTest::newRow("ok everybody")
            << "OK everybody! My name is..." << QStringList{} << QStringList{}
            << QStringList{"OK everybody! My name is..."};
        QTest::newRow("my name is")
            << "My name is..." << QStringList{} << QStringList{} << QStringList{"My name is..."};
        QTest::newRow("untouched") << "Type something..." << QStringList{} << QStringList{}
                                   << QStringList{"Type something..."};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{} << QStringList{""};
        QTest::newRow("pasted line breaks")
            << "Hello\r\nthere\rmy\nfriend" << QStringList{} << QStringList{}
            << QStringList{"Hello there my friend"};
        QTest::newRow("name with a line break")
            << "Hey dude, my name is..." << QStringList{"Sam\nLee"} << QStringList{ask.arg("name")}
            << QStringList{"Hey dude, my name is Sam Lee"};
        QTest::newRow("unicode") << QString::fromUtf8("Grüße, Zoë!") << QStringList{}
                                 << QStringList{} << QStringList{QString::fromUtf8("Grüße, Zoë!")};
    }

    void turn_speaksAndRecordsWhatThePhraseCallsFor() {
        QFETCH(QString, phrase);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, spoken);
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        agent.calls.clear();
        t.dialogs.inputAnswers = answers;

        const std::optional<QString> line = ChatTurn::run(t.context, &agent, phrase);

        QCOMPARE(t.dialogs.shown, boxes);
        QCOMPARE(agent.spokenTexts(), spoken);
        if (spoken.isEmpty()) {
            QVERIFY(!line);
            QVERIFY(!QFile::exists(logPath(t)));
            return;
        }
        QCOMPARE(line, std::optional<QString>(spoken.first()));
        const QStringList record = logLines(t);
        QCOMPARE(record.size(), 6);
        QCOMPARE(record[4], spoken.first());
    }

    void twoTurns_appendTwoWholeRecordsAfterWhatWasThere() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        t.writeFile(logPath(t), "earlier\r\n");
        t.dialogs.inputAnswers = {"Sam", "Kim"};

        ChatTurn::run(t.context, &agent, "Hey dude, my name is...");
        ChatTurn::run(t.context, &agent, "Hey dude, my name is...");

        QCOMPARE(t.dialogs.shown.size(), 2); // the name is asked each time
        const QByteArray date = t.clock.shortDateText().toUtf8();
        const QByteArray path = logPath(t).toUtf8();
        auto record = [&](const QByteArray& line) {
            return "==================" + date + "=======================\r\n" +
                   "Report type: CHAT\r\n" + path + "\r\n1\r\n" + line + "\r\n" +
                   "==================1==========================\r\n";
        };
        QCOMPARE(test::TestContext::readFile(logPath(t)), "earlier\r\n" +
                                                              record("Hey dude, my name is Sam") +
                                                              record("Hey dude, my name is Kim"));
    }

    void channel_isTheLowestFreeNumberAndFreedAfterTheTurn() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        {
            const ChannelLease other = t.channels.acquireLowest(); // a file open elsewhere
            ChatTurn::run(t.context, &agent, "Hello!");
            QCOMPARE(logLines(t)[3], QString("2"));
        }
        QVERIFY(!t.channels.isHeld(2));
        ChatTurn::run(t.context, &agent, "Hey!");
        QCOMPARE(logLines(t)[9], QString("1"));
    }

    void unwritableTranscript_isReportedAfterTheSpeech() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        QVERIFY(QDir().mkdir(logPath(t))); // a directory where the file should be

        QCOMPARE(ChatTurn::run(t.context, &agent, "Hello!"), std::optional<QString>("Hello!"));

        QCOMPARE(agent.spokenTexts(), QStringList{"Hello!"});
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY2(t.dialogs.shown[0].startsWith("message ERROR|") &&
                     t.dialogs.shown[0].contains(logPath(t)),
                 qPrintable(t.dialogs.shown[0]));
    }

    void characterNotLoaded_speaksNothingButKeepsTheRecord() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        // The program's Exit unloads the character while the name box is up.
        t.dialogs.whileOpen = [&] { agent.unloadCharacter("Tovrin"); };
        t.dialogs.inputAnswers = {"Sam"};
        ChatTurn::run(t.context, &agent, "Hey dude, my name is...");
        // Then a turn with the character gone, and one without any control.
        ChatTurn::run(t.context, &agent, "Hello!");
        ChatTurn::run(t.context, nullptr, "Hey!");

        QCOMPARE(agent.spokenTexts(), QStringList{});
        QCOMPARE(agent.ignoredCalls, QStringList{}); // not even asked
        const QStringList lines = logLines(t);
        QCOMPARE(lines.size(), 18);
        QCOMPARE(lines[4], QString("Hey dude, my name is Sam"));
        QCOMPARE(lines[10], QString("Hello!"));
        QCOMPARE(lines[16], QString("Hey!"));
    }
};

QTEST_GUILESS_MAIN(ChatTurnTest)
#include "ChatTurnTest.moc"
