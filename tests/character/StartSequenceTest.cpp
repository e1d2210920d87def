#include "character/StartSequence.h"

#include "FileSizeLimit.h"
#include "RecordingAgent.h"
#include "TestContext.h"
#include "character/CommandCatalogue.h"
#include "settings/PrivateProfile.h"
#include "settings/modo.h"

#include <QtTest>
#include <optional>

using namespace tk;

namespace {
QString settings(const test::TestContext& t) {
    return t.programFile("main.ini");
}
const QStringList kQuestions{"speak Tovrin|Welcome!",
                             "speak Tovrin|I see, this is our first time talking to each other.",
                             "speak Tovrin|Tell me, what's your name?"};

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
    // No main.ini at all: the typed name is stored untrimmed, a cancelled box stores "".
    void firstRun_holdsTheDialogueInOrderAndStoresTheName_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("stored"); // as main.ini holds it
        QTest::newRow("typed") << QStringList{"  Ann Lee "} << "  Ann Lee "
                               << QByteArray("\"  Ann Lee \"");
        QTest::newRow("cancelled") << QStringList{} << "" << QByteArray();
    }
    void firstRun_holdsTheDialogueInOrderAndStoresTheName() {
        QFETCH(QStringList, answers);
        QFETCH(QString, name);
        QFETCH(QByteArray, stored);
        test::TestContext t;
        test::RecordingAgent agent;
        t.dialogs.inputAnswers = answers;
        QStringList callsWhileBoxOpen;
        QByteArray settingsWhileBoxOpen;
        t.dialogs.whileOpen = [&] {
            callsWhileBoxOpen = agent.calls;
            settingsWhileBoxOpen = t.readFile(settings(t));
        };
        QVERIFY(StartSequence::run(t.context, &agent, recordingSteps(agent)).isOk());

        // The questions are already queued when the box shows, and the marker written.
        QCOMPARE(callsWhileBoxOpen, startCalls(t, "") + kQuestions);
        QCOMPARE(settingsWhileBoxOpen, QByteArray("[MAIN]\r\nFIRST=1\r\n"));
        QCOMPARE(t.dialogs.shown,
                 QStringList{"input TOVRIN SAYS|TOVRIN:        What's your name?"});
        const QStringList answered{"hook keepUserName|" + name, "speak Tovrin|Hello! " + name};
        QCOMPARE(agent.calls, startCalls(t, "") + kQuestions + answered);
        QCOMPARE(t.readFile(settings(t)), "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=" + stored + "\r\n");
        QVERIFY(agent.ignoredCalls.isEmpty());

        // The next start greets by the stored name and asks nothing.
        test::RecordingAgent again;
        QVERIFY(StartSequence::run(t.context, &again, recordingSteps(again)).isOk());
        QCOMPARE(again.calls, startCalls(t, name));
        QCOMPARE(t.dialogs.shown.size(), 1);
    }

    // A settings file that cannot keep the answer: one ERROR box names the file
    // and the reason, the name is still used in this run, the file is left alone.
    void firstRun_withSettingsThatCannotBeWritten_saysSoOnceAndUsesTheName_data() {
        QTest::addColumn<bool>("oversized"); // else: the disk fills up
        QTest::addColumn<QString>("reason");
        QTest::newRow("file over the size limit") << true << "larger than 16 MiB";
        QTest::newRow("full disk") << false << "cannot be written";
    }
    void firstRun_withSettingsThatCannotBeWritten_saysSoOnceAndUsesTheName() {
        QFETCH(bool, oversized);
        QFETCH(QString, reason);
        test::TestContext t;
        // The oversized file's marker cannot be read: the first run comes again.
        t.writeFile(settings(t), oversized ? "[MAIN]\r\nFIRST=1\r\n" : "");
        if (oversized)
            QVERIFY(QFile(settings(t)).resize(PrivateProfile::kMaxFileSize + 1));
        t.dialogs.inputAnswers = {"Ann"};
        test::RecordingAgent agent;
        {
            std::optional<test::FileSizeLimit> fullDisk;
            if (!oversized)
                fullDisk.emplace(0);
            QVERIFY(StartSequence::run(t.context, &agent, recordingSteps(agent)).isOk());
        }
        QCOMPARE(t.dialogs.shown.size(), 2);
        QCOMPARE(t.dialogs.shown[0], "input TOVRIN SAYS|TOVRIN:        What's your name?");
        const QString box = t.dialogs.shown[1];
        QVERIFY2(
            box.startsWith("message ERROR|Your name could not be stored in the settings file " +
                           settings(t) + ": ") &&
                box.contains(reason),
            qPrintable(box));
        const QStringList answered{"hook keepUserName|Ann", "speak Tovrin|Hello! Ann"};
        QCOMPARE(agent.calls, startCalls(t, "") + kQuestions + answered);
        QCOMPARE(QFileInfo(settings(t)).size(), oversized ? PrivateProfile::kMaxFileSize + 1 : 0);
    }

    void marker_decidesWhetherTheNameIsAsked_data() {
        QTest::addColumn<QString>("firstLine"); // the FIRST line of main.ini; "" = none
        QTest::addColumn<bool>("asked");
        for (const char* value : {"1", "2", "1.0", "1e3"})
            QTest::addRow("FIRST=%s", value) << QString("FIRST=") + value << false;
        // A comma is no decimal point.
        for (const char* value : {"0", "-1", "0.5", "0.999", "", "abc", "2abc", "1,5", "nan"})
            QTest::addRow("FIRST=%s", value) << QString("FIRST=") + value << true;
        QTest::newRow("no key") << QString() << true;
    }
    void marker_decidesWhetherTheNameIsAsked() {
        QFETCH(QString, firstLine);
        QFETCH(bool, asked);
        // A user locale with a decimal comma must not change how the file is read.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        test::TestContext t;
        t.writeFile(settings(t), "[USER]\r\nNAME=Ann\r\n[MAIN]\r\n" +
                                     (firstLine.isEmpty() ? "" : firstLine.toUtf8() + "\r\n"));
        t.dialogs.inputAnswers = {"Bo"};
        test::RecordingAgent agent;
        const bool started = StartSequence::run(t.context, &agent, recordingSteps(agent)).isOk();
        QLocale::setDefault(before);
        QVERIFY(started);

        QCOMPARE(t.dialogs.shown.size(), asked ? 1 : 0);
        const QStringList answered{"hook keepUserName|Bo", "speak Tovrin|Hello! Bo"};
        QCOMPARE(agent.calls,
                 startCalls(t, "Ann") + (asked ? kQuestions + answered : QStringList{}));
        QCOMPARE(modo::readini("MAIN", "FIRST", "", settings(t)), asked ? "1" : firstLine.mid(6));
        QCOMPARE(modo::readini("USER", "NAME", "", settings(t)), QString(asked ? "Bo" : "Ann"));
    }
};

QTEST_GUILESS_MAIN(StartSequenceTest)
#include "StartSequenceTest.moc"
