#include "character/StartSequence.h"

#include "RecordingAgent.h"
#include "TestContext.h"
#include "character/CommandCatalogue.h"
#include "startup/modo.h"

#include <QLocale>
#include <QtTest>

using namespace tk;

namespace {
QString settings(const test::TestContext& t) {
    return t.programFile("main.ini");
}
QString setting(const test::TestContext& t, const char* section, const char* key) {
    return modo::readini(section, key, "", settings(t));
}

// The calls of every start up to the greeting, with the hooks recorded in place.
QStringList startCalls(const test::TestContext& t, const QString& greetedName) {
    QStringList calls{"load Tovrin|" + t.programFile("tovrin.acs"),
                      "language Tovrin|1033",
                      "listen Tovrin|true",
                      "show Tovrin",
                      "hook systemReport",
                      "speak Tovrin|Nice to see you again, " + greetedName};
    for (const CommandCatalogue::Entry& entry : CommandCatalogue::entries())
        calls.append("add Tovrin|" + entry.name);
    return calls;
}

StartSequence::Steps recordingSteps(test::RecordingAgent& agent) {
    StartSequence::Steps steps;
    steps.systemReport = [&agent] { agent.calls.append("hook systemReport"); };
    steps.keepUserName = [&agent](const QString& name) {
        agent.calls.append("hook keepUserName|" + name);
    };
    return steps;
}
} // namespace

class StartSequenceTest : public QObject {
    Q_OBJECT
private slots:
    void firstRun_holdsTheDialogueInOrderAndStoresTheNameUntrimmed() {
        test::TestContext t; // no main.ini at all
        test::RecordingAgent agent;
        t.dialogs.inputAnswers = {"  Ann Lee "};
        QStringList callsWhileBoxOpen;
        QString markerWhileBoxOpen;
        t.dialogs.whileOpen = [&] {
            callsWhileBoxOpen = agent.calls;
            markerWhileBoxOpen = setting(t, "MAIN", "FIRST");
        };

        const StartSequence::Result result =
            StartSequence::run(t.context, &agent, recordingSteps(agent));
        QVERIFY(result.loaded);

        const QStringList untilBox =
            startCalls(t, "") +
            QStringList{"speak Tovrin|Welcome!",
                        "speak Tovrin|I see, this is our first time talking to each other.",
                        "speak Tovrin|Tell me, what's your name?"};
        // The questions are already queued when the box shows, and the marker written.
        QCOMPARE(callsWhileBoxOpen, untilBox);
        QCOMPARE(markerWhileBoxOpen, QString("1"));
        QCOMPARE(t.dialogs.shown,
                 QStringList{"input TOVRIN SAYS|TOVRIN:        What's your name?"});
        const QStringList afterBox{"hook keepUserName|  Ann Lee ",
                                   "speak Tovrin|Hello!   Ann Lee "};
        QCOMPARE(agent.calls, untilBox + afterBox);
        QCOMPARE(setting(t, "USER", "NAME"), QString("  Ann Lee "));
        QCOMPARE(setting(t, "MAIN", "FIRST"), QString("1"));
        QVERIFY(agent.ignoredCalls.isEmpty());

        // The next start greets by the stored name and asks nothing.
        test::RecordingAgent again;
        StartSequence::run(t.context, &again, recordingSteps(again));
        QCOMPARE(again.calls, startCalls(t, "  Ann Lee "));
        QCOMPARE(t.dialogs.shown.size(), 1);
    }

    void marker_decidesWhetherTheNameIsAsked_data() {
        QTest::addColumn<QString>("firstLine"); // the FIRST line of main.ini; "-" = none
        QTest::addColumn<bool>("asked");
        QTest::newRow("1") << "FIRST=1" << false;
        QTest::newRow("2") << "FIRST=2" << false;
        QTest::newRow("1.0") << "FIRST=1.0" << false;
        QTest::newRow("1e3") << "FIRST=1e3" << false;
        QTest::newRow("0") << "FIRST=0" << true;
        QTest::newRow("-1") << "FIRST=-1" << true;
        QTest::newRow("0.5") << "FIRST=0.5" << true;
        QTest::newRow("0.999") << "FIRST=0.999" << true;
        QTest::newRow("empty value") << "FIRST=" << true;
        QTest::newRow("no key") << "-" << true;
        QTest::newRow("abc") << "FIRST=abc" << true;
        QTest::newRow("2abc") << "FIRST=2abc" << true;
        QTest::newRow("comma is no decimal point") << "FIRST=1,5" << true;
        QTest::newRow("nan") << "FIRST=nan" << true;
    }
    void marker_decidesWhetherTheNameIsAsked() {
        QFETCH(QString, firstLine);
        QFETCH(bool, asked);
        // A user locale with a decimal comma must not change how the file is read.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        test::TestContext t;
        QByteArray ini = "[USER]\r\nNAME=Ann\r\n[MAIN]\r\n";
        if (firstLine != "-")
            ini += firstLine.toUtf8() + "\r\n";
        t.writeFile(settings(t), ini);
        t.dialogs.inputAnswers = {"Bo"};
        test::RecordingAgent agent;
        StartSequence::run(t.context, &agent, recordingSteps(agent));
        QLocale::setDefault(before);

        QCOMPARE(t.dialogs.shown.size(), asked ? 1 : 0);
        QStringList expected = startCalls(t, "Ann");
        if (asked) {
            expected << "speak Tovrin|Welcome!"
                     << "speak Tovrin|I see, this is our first time talking to each other."
                     << "speak Tovrin|Tell me, what's your name?"
                     << "hook keepUserName|Bo"
                     << "speak Tovrin|Hello! Bo";
        }
        QCOMPARE(agent.calls, expected);
        QCOMPARE(setting(t, "MAIN", "FIRST"), asked ? QString("1") : firstLine.mid(6));
        QCOMPARE(setting(t, "USER", "NAME"), asked ? QString("Bo") : QString("Ann"));
    }

    void cancelledNameBox_storesTheEmptyNameAndIsNotAskedAgain() {
        test::TestContext t;
        test::RecordingAgent agent;
        StartSequence::run(t.context, &agent, recordingSteps(agent)); // Cancel: no answer
        QCOMPARE(agent.calls.mid(agent.calls.size() - 2),
                 QStringList({"hook keepUserName|", "speak Tovrin|Hello! "}));
        QCOMPARE(t.readFile(settings(t)), QByteArray("[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=\r\n"));

        test::RecordingAgent again;
        StartSequence::run(t.context, &again, recordingSteps(again));
        QCOMPARE(again.calls, startCalls(t, ""));
        QCOMPARE(t.dialogs.shown.size(), 1);
    }
};

QTEST_GUILESS_MAIN(StartSequenceTest)
#include "StartSequenceTest.moc"
