#include "character/MainWindow.h"

#include "RecordingAgent.h"
#include "TestContext.h"
#include "platform/desktop/RunKeeper.h"
#include "settings/modo.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {
const QByteArray kLaterRun = "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Ann\r\n";

// A main window's run: the recording character, a stand-in for the collapsed
// check window, and the keeper that ends the run when the last window is gone.
struct Run {
    Run() {
        RunKeeper::setCurrent(&keeper);
        auto* standIn = new QWidget;
        standIn->setAttribute(Qt::WA_DeleteOnClose);
        keeper.track(standIn);
        standIn->show();
        checkFiles = standIn;
    }
    ~Run() {
        delete checkFiles.data();
        RunKeeper::setCurrent(nullptr);
    }
    MainWindow* open(MainWindowHooks hooks = {}, bool withControl = true) {
        window = MainWindow::open(t.context, withControl ? &agent : nullptr, hooks, checkFiles);
        return window;
    }
    // The main and the check window are gone, and with them the run.
    bool ended() {
        return QTest::qWaitFor([this] {
            return window.isNull() && checkFiles.isNull() && !endedSpy.isEmpty() &&
                   keeper.openWindows() == 0;
        });
    }
    QString userName() const {
        return modo::readini("USER", "NAME", "", t.programFile("main.ini"));
    }

    test::TestContext t;
    test::RecordingAgent agent;
    RunKeeper keeper;
    QSignalSpy endedSpy{&keeper, &RunKeeper::lastWindowClosed};
    QPointer<QWidget> checkFiles;
    QPointer<MainWindow> window;
};
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void laterRun_startsGreetsTakesCommandsAndExits() {
        Run run;
        test::TestContext& t = run.t;
        t.writeFile(t.programFile("main.ini"), kLaterRun);
        t.writeFile(t.context.systemSettingsFile, QByteArray(2176, 'x'));
        int chats = 0;
        int options = 0;
        MainWindow* window = run.open({[&] { ++chats; }, [&] { ++options; }});

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

        QCOMPARE(run.agent.spokenTexts(), QStringList{"Nice to see you again, Ann"});
        QCOMPARE(run.agent.commands.size(), 13);
        const QByteArray report = t.readFile(t.programFile("winlog.tz"));
        QVERIFY2(report.contains("\r\n2176 Bytes\r\n"), report.constData());

        for (const char* command : {"hello", "rchat", "optionse", "exitpr"})
            run.agent.raiseCommand(command);
        QCOMPARE(chats, 1);
        QCOMPARE(options, 1);
        QCOMPARE(run.agent.spokenTexts().mid(1),
                 QStringList({"Hello there!", "What do you wanna chat about?"}));
        QCOMPARE(run.agent.calls.last(), QString("unload Tovrin"));
        QVERIFY(run.ended());
        run.agent.raiseCommand("hello"); // nobody listens any more

        QCOMPARE(t.readFile(t.programFile("questions.mlp")),
                 t.questionsLog({"hello", "rchat", "optionse", "exitpr"}));
        QCOMPARE(t.readFile(t.programFile("main.ini")), kLaterRun);
        QCOMPARE(t.readFile(t.programFile("winlog.tz")), report);
        QVERIFY(t.dialogs.shown.isEmpty());
    }

    void firstRun_keepsTheTypedNameInItsLabel() {
        Run run;
        run.t.dialogs.inputAnswers = {"Zoe"};
        QPointer<MainWindow> window = run.open();
        QCOMPARE(window->userNameLabel()->text(), QString("Zoe"));
        QCOMPARE(run.userName(), QString("Zoe"));
        run.agent.raiseCommand("rchat"); // no chat window given: the character still answers
        QCOMPARE(run.agent.spokenTexts().last(), QString("What do you wanna chat about?"));
        window->close();
        QVERIFY(run.ended());
        QCOMPARE(run.agent.calls.last(), QString("unload Tovrin"));
    }

    void characterNotLoaded_saysWhichFileAndWhyAndLeavesNothingOpen_data() {
        QTest::addColumn<bool>("withControl");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged file") << true << "line 3: unknown animation frame";
        // The runtime's reasons start with the file's path: it is named once.
        QTest::newRow("reason naming the file") << true << "%1: not a readable character file";
        QTest::newRow("no runtime") << false << "the character runtime is not available";
    }
    void characterNotLoaded_saysWhichFileAndWhyAndLeavesNothingOpen() {
        QFETCH(bool, withControl);
        QFETCH(QString, reason);
        Run run;
        run.t.writeFile(run.t.context.systemSettingsFile, "NAME=x\n");
        const QString file = run.t.programFile("tovrin.acs");
        run.agent.nextLoadResult = Status::failure(QString(reason).replace("%1", file));
        run.open({}, withControl);
        QCOMPARE(run.t.dialogs.shown,
                 QStringList{"message ERROR|Tovrin could not be loaded from the character file " +
                             file + ": " + QString(reason).remove("%1: ")});
        // Nothing after the load: no report, no greeting, no commands, no dialogue.
        const QStringList loadOnly{"load Tovrin|" + file, "unload Tovrin"};
        QCOMPARE(run.agent.calls, withControl ? loadOnly : QStringList{});
        QVERIFY(run.ended());
        QCOMPARE(run.keeper.exitCode(), 1);
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
        QVERIFY(!QFile::exists(run.t.programFile("winlog.tz")));
    }

    void exitWhileTheNameBoxIsOpen_endsCleanlyAndKeepsTheAnswer() {
        Run run;
        run.t.dialogs.inputAnswers = {"Ann"};
        run.t.dialogs.whileOpen = [&] {
            run.agent.raiseCommand("exitpr");
            QTest::qWait(50); // the closed window may be destroyed meanwhile
        };
        run.open();
        QVERIFY(run.ended());
        QCOMPARE(run.keeper.exitCode(), 0); // an ordinary end
        QVERIFY(run.agent.calls.contains("unload Tovrin"));
        // The character has left: its reply is not given, but the name is kept.
        QCOMPARE(run.agent.ignoredCalls, QStringList{"speak Tovrin|Hello! Ann"});
        QCOMPARE(run.userName(), QString("Ann"));
        QCOMPARE(run.t.readFile(run.t.programFile("questions.mlp")),
                 run.t.questionsLog({"exitpr"}));
    }

    void logsThatCannotBeWritten_areReportedOnceEachWhileRepliesGoOn() {
        Run run;
        test::TestContext& t = run.t;
        t.writeFile(t.context.systemSettingsFile, "NAME=x\n");
        t.writeFile(t.programFile("main.ini"), kLaterRun);
        QVERIFY(QFile::link("/dev/full", t.programFile("winlog.tz")));
        QVERIFY(QFile::link("/dev/full", t.programFile("questions.mlp")));
        QStringList spokenAtFirstBox;
        t.dialogs.whileOpen = [&] {
            if (spokenAtFirstBox.isEmpty())
                spokenAtFirstBox = run.agent.spokenTexts();
        };
        run.open();
        // The report's problem is told once the character has started, not in between.
        QCOMPARE(spokenAtFirstBox, QStringList{"Nice to see you again, Ann"});
        QCOMPARE(run.agent.commands.size(), 13);
        run.agent.raiseCommand("hello");
        run.agent.raiseCommand("hello");
        QCOMPARE(run.agent.spokenTexts().mid(1), QStringList({"Hello there!", "Hello there!"}));
        QCOMPARE(t.dialogs.shown.size(), 2);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|Can't write to " +
                                              t.programFile("winlog.tz")));
        QVERIFY(t.dialogs.shown[1].startsWith("message ERROR|Can't write to " +
                                              t.programFile("questions.mlp")));
        run.window->close();
        QVERIFY(run.ended());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
