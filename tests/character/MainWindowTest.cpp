#include "character/MainWindow.h"

#include "RecordingAgent.h"
#include "TestContext.h"
#include "platform/RunKeeper.h"
#include "startup/modo.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {
QByteArray logEntries(const test::TestContext& t, const QStringList& names) {
    const QByteArray rule(17, '=');
    QByteArray entries;
    for (const QString& name : names)
        entries += rule + "\r\n" + name.toUtf8() + "\r\n" + t.clock.shortDateText().toUtf8() +
                   "\r\n" + rule + "\r\n";
    return entries;
}

// The run's other windows: a stand-in for the collapsed check window, and the
// keeper that ends the run when the last window is gone.
struct Run {
    Run() {
        RunKeeper::setCurrent(&keeper);
        auto* window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        keeper.track(window);
        window->show();
        checkFiles = window;
    }
    ~Run() {
        delete checkFiles.data();
        RunKeeper::setCurrent(nullptr);
    }
    RunKeeper keeper;
    QSignalSpy ended{&keeper, &RunKeeper::lastWindowClosed};
    QPointer<QWidget> checkFiles;
};

bool anyWindowVisible() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](QWidget* w) { return w->isVisible(); });
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void laterRun_startsGreetsTakesCommandsAndExits() {
        test::TestContext t;
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Ann\r\n");
        t.writeFile(t.context.systemSettingsFile, QByteArray(2176, 'x'));
        test::RecordingAgent agent;
        Run run;
        int chats = 0;
        int options = 0;
        QPointer<MainWindow> window = MainWindow::open(
            t.context, &agent, {[&] { ++chats; }, [&] { ++options; }}, run.checkFiles);

        QVERIFY(window);
        QCOMPARE(window->objectName(), QString("mainDC"));
        QCOMPARE(window->windowTitle(), QString("Tovrin Kin Personal Edition"));
        QVERIFY(window->isVisible());
        QCOMPARE(window->height(), 1);
        QVERIFY(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(window->windowFlags() & Qt::WindowType_Mask, Qt::Tool); // no task-bar entry
        QVERIFY(!window->isActiveWindow());
        QLabel* label = window->findChild<QLabel*>("usr_name");
        QVERIFY(label && label == window->userNameLabel());
        QCOMPARE(label->text(), QString("Label1"));
        QVERIFY(label->y() >= window->height()); // never seen

        QCOMPARE(agent.spokenTexts(), QStringList{"Nice to see you again, Ann"});
        QCOMPARE(agent.commands.size(), 13);
        const QByteArray report = t.readFile(t.programFile("winlog.tz"));
        QVERIFY2(report.contains("\r\n2176 Bytes\r\n"), report.constData());
        QVERIFY(t.dialogs.shown.isEmpty());

        agent.raiseCommand("hello");
        agent.raiseCommand("rchat");
        agent.raiseCommand("optionse");
        QCOMPARE(chats, 1);
        QCOMPARE(options, 1);
        QCOMPARE(agent.spokenTexts().mid(1),
                 QStringList({"Hello there!", "What do you wanna chat about?"}));

        agent.raiseCommand("exitpr");
        QCOMPARE(agent.calls.last(), QString("unload Tovrin"));
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(run.checkFiles.isNull());
        QTRY_VERIFY(!run.ended.isEmpty());
        QCOMPARE(run.keeper.openWindows(), 0);
        agent.raiseCommand("hello"); // nobody listens any more

        QCOMPARE(t.readFile(t.programFile("questions.mlp")),
                 logEntries(t, {"hello", "rchat", "optionse", "exitpr"}));
        QCOMPARE(t.readFile(t.programFile("main.ini")),
                 QByteArray("[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Ann\r\n"));
        QCOMPARE(t.readFile(t.programFile("winlog.tz")), report);
        QVERIFY(t.dialogs.shown.isEmpty());
    }

    void firstRun_keepsTheTypedNameInItsLabel() {
        test::TestContext t;
        t.dialogs.inputAnswers = {"Zoe"};
        test::RecordingAgent agent;
        Run run;
        QPointer<MainWindow> window = MainWindow::open(t.context, &agent, {}, run.checkFiles);
        QCOMPARE(window->userNameLabel()->text(), QString("Zoe"));
        QCOMPARE(agent.spokenTexts().last(), QString("Hello! Zoe"));
        QCOMPARE(modo::readini("USER", "NAME", "", t.programFile("main.ini")), QString("Zoe"));
        agent.raiseCommand("rchat"); // no chat window given: the character still answers
        QCOMPARE(agent.spokenTexts().last(), QString("What do you wanna chat about?"));
        window->close();
        QTRY_VERIFY(window.isNull());
        QCOMPARE(agent.calls.last(), QString("unload Tovrin"));
    }

    void characterNotLoaded_saysWhichFileAndWhyAndLeavesNothingOpen_data() {
        QTest::addColumn<bool>("withControl");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged file") << true << "line 3: unknown animation frame";
        QTest::newRow("no runtime") << false << "the character runtime is not available";
    }
    void characterNotLoaded_saysWhichFileAndWhyAndLeavesNothingOpen() {
        QFETCH(bool, withControl);
        QFETCH(QString, reason);
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, "NAME=x\n");
        test::RecordingAgent agent;
        agent.nextLoadResult = {false, reason};
        Run run;
        QPointer<MainWindow> window =
            MainWindow::open(t.context, withControl ? &agent : nullptr, {}, run.checkFiles);
        const QString file = t.programFile("tovrin.acs");
        QCOMPARE(t.dialogs.shown,
                 QStringList{"message ERROR|Tovrin could not be loaded from the character file " +
                             file + ": " + reason});
        // Nothing after the load: no report, no greeting, no commands, no dialogue.
        const QStringList calls =
            withControl ? QStringList{"load Tovrin|" + file, "unload Tovrin"} : QStringList{};
        QCOMPARE(agent.calls, calls);
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(run.checkFiles.isNull());
        QTRY_VERIFY(!run.ended.isEmpty());
        QCOMPARE(run.keeper.openWindows(), 0);
        QVERIFY(!anyWindowVisible());
        QVERIFY(!QFile::exists(t.programFile("winlog.tz")));
    }

    void exitWhileTheNameBoxIsOpen_endsCleanlyAndKeepsTheAnswer() {
        test::TestContext t;
        test::RecordingAgent agent;
        Run run;
        t.dialogs.inputAnswers = {"Ann"};
        t.dialogs.whileOpen = [&] {
            agent.raiseCommand("exitpr");
            QTest::qWait(50); // the closed window may be destroyed meanwhile
        };
        QPointer<MainWindow> window = MainWindow::open(t.context, &agent, {}, run.checkFiles);
        QTRY_VERIFY(window.isNull());
        QTRY_VERIFY(run.checkFiles.isNull());
        QVERIFY(agent.calls.contains("unload Tovrin"));
        QCOMPARE(agent.ignoredCalls, QStringList{"speak Tovrin|Hello! Ann"}); // the character left
        QCOMPARE(modo::readini("USER", "NAME", "", t.programFile("main.ini")), QString("Ann"));
        QCOMPARE(t.readFile(t.programFile("questions.mlp")), logEntries(t, {"exitpr"}));
    }

    void logsThatCannotBeWritten_areReportedOnceEachWhileRepliesGoOn() {
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, "NAME=x\n");
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Ann\r\n");
        QVERIFY(QFile::link("/dev/full", t.programFile("winlog.tz")));
        QVERIFY(QFile::link("/dev/full", t.programFile("questions.mlp")));
        test::RecordingAgent agent;
        Run run;
        QStringList spokenAtFirstBox;
        t.dialogs.whileOpen = [&] {
            if (spokenAtFirstBox.isEmpty())
                spokenAtFirstBox = agent.spokenTexts();
        };
        QPointer<MainWindow> window = MainWindow::open(t.context, &agent, {}, run.checkFiles);
        // The report's problem is told once the character has started, not in between.
        QCOMPARE(spokenAtFirstBox, QStringList{"Nice to see you again, Ann"});
        QCOMPARE(agent.commands.size(), 13);
        agent.raiseCommand("hello");
        agent.raiseCommand("hello");
        QCOMPARE(agent.spokenTexts().mid(1), QStringList({"Hello there!", "Hello there!"}));
        QCOMPARE(t.dialogs.shown.size(), 2);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|Can't write to " +
                                              t.programFile("winlog.tz")));
        QVERIFY(t.dialogs.shown[1].startsWith("message ERROR|Can't write to " +
                                              t.programFile("questions.mlp")));
        window->close();
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
