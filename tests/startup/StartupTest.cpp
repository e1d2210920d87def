#include "Resources.h"
#include "TestContext.h"
#include "platform/desktop/RunKeeper.h"
#include "platform/desktop/SoundPlayer.h"
#include "startup/CheckFilesWindow.h"
#include "startup/SplashWindow.h"
#include "startup/StartupChecks.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;
using namespace tk::StartupChecks;

namespace {
const QString kMissingBoth = QStringLiteral(
    "message ERROR|NO CHARACTER FILES DETECTED in THE 'tovrinkin' directory or the %1 "
    "directory.Make sure you have all the things installed correctly.");
const QString kNotInstalled = QStringLiteral(
    "message ERROR|ERROR: Please make sure you have the character platform and Character Tovrin "
    "Installed. Put the 'tovrin.acs' in the directory where 'tovrinkin' is. For more help, read "
    "the README file. Or contact us: tovrinkin@example.org");
struct RecordingSound final : SoundPlayer {
    explicit RecordingSound(QStringList* log) : played(log) {}
    ~RecordingSound() override { played->append("stopped"); }
    void play(const QString& path) override { played->append(path); }
    QStringList* played;
};
} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }

    // The splash's copy, then the check window's verdict; "" = no such file.
    void splashThenCheck_data() {
        QTest::addColumn<QString>("platformName");
        QTest::addColumn<QString>("localName");
        QTest::addColumn<int>("verdict"); // -1: the splash stops the run
        QTest::addColumn<QByteArray>("localAfter");
        const auto row = [](const char* name, const char* platform, const char* local, int verdict,
                            const char* after) {
            QTest::newRow(name) << QString(platform) << QString(local) << verdict
                                << QByteArray(after);
        };
        const int open = int(CheckVerdict::OpenMainWindow);
        row("platform, local", "tovrin.acs", "tovrin.acs", open, "platform");
        row("platform, no local", "tovrin.acs", "", open, "platform");
        row("platform in capitals", "Tovrin.ACS", "", open, "platform");
        row("no platform, local", "", "tovrin.acs", open, "local");
        row("no platform, no local", "", "", -1, "");
        row("no platform, capitals", "", "TOVRIN.ACS", int(CheckVerdict::Missing), "");
    }
    void splashThenCheck() {
        QFETCH(QString, platformName);
        QFETCH(QString, localName);
        QFETCH(int, verdict);
        QFETCH(QByteArray, localAfter);
        test::TestContext t;
        if (!platformName.isEmpty())
            t.writeFile(t.context.platformCharacterDir + "/" + platformName, "platform");
        if (!localName.isEmpty())
            t.writeFile(t.programFile(localName), "local");

        QCOMPARE(prepareCharacterFile(t.context),
                 verdict < 0 ? SplashVerdict::Stop : SplashVerdict::Proceed);
        if (verdict < 0) {
            QCOMPARE(t.dialogs.shown,
                     QStringList{kMissingBoth.arg(t.context.platformCharacterDir)});
            return; // the program ends here
        }
        QCOMPARE(t.dialogs.shown, QStringList{});
        QCOMPARE(int(checkCharacterFile(t.context)), verdict);
        QCOMPARE(t.dialogs.shown, verdict == int(CheckVerdict::OpenMainWindow)
                                      ? QStringList{}
                                      : QStringList{kNotInstalled});
        QCOMPARE(t.readFile(t.programFile("tovrin.acs")), localAfter);
    }

    void check_localMissingPlatformPresent_copiesAndAsksForRestart() {
        test::TestContext t;
        t.writeFile(t.context.platformCharacterDir + "/tovrin.acs", "platform");
        t.writeFile(t.programFile("TOVRIN.ACS"), "stale");
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::RestartRequested);
        QCOMPARE(t.dialogs.shown, QStringList{"message tovrinkin|Please restart..."});
        QCOMPARE(t.readFile(t.programFile("tovrin.acs")), QByteArray("platform"));
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::OpenMainWindow); // the next start
    }

    void failedCopy_isReportedOnce_andStopsTheStart() {
        test::TestContext t;
        t.writeFile(t.context.platformCharacterDir + "/tovrin.acs", "platform");
        // A directory in the way of the local copy: it can be neither replaced nor loaded.
        QVERIFY(QDir().mkpath(t.programFile("tovrin.acs") + "/blocker"));
        QCOMPARE(prepareCharacterFile(t.context), SplashVerdict::Stop);
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|Could not copy the character file"));
        // The check window, meeting the failure on its own, reports it itself.
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::CopyFailed);
        QCOMPARE(t.dialogs.shown.size(), 2);
    }

    // By the timer with the intro sound on, or at once by a click with it off: once
    // only, and the run ends after the next window, not between it and the splash.
    void splash_handsOverOnce_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("timer, intro sound") << false;
        QTest::newRow("click, no sound") << true;
    }
    void splash_handsOverOnce() {
        QFETCH(bool, click);
        test::TestContext t;
        t.writeFile(t.programFile("tovrin.acs"), "character");
        if (!click)
            t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nLSOUND=1\r\n");
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QSignalSpy ended(&keeper, &RunKeeper::lastWindowClosed);
        QStringList played;
        int handOvers = 0;
        QPointer<SplashWindow> splash =
            SplashWindow::open(t.context, std::make_unique<RecordingSound>(&played), [&] {
                ++handOvers;
                // The next window of the chain opens while the splash is closing.
                auto* next = new QWidget;
                next->setAttribute(Qt::WA_DeleteOnClose);
                keeper.track(next);
                QTimer::singleShot(50, next, &QWidget::close);
            });
        QVERIFY(splash && splash->isVisible());
        QCOMPARE(splash->size(), QSize(600, 152));
        const QStringList intro =
            click ? QStringList{} : QStringList{t.programFile("snds/welcome.mp3")};
        QCOMPARE(played, intro);
        if (click)
            QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(300, 75));
        else
            QTest::qWait(1500);
        QCOMPARE(handOvers, click ? 1 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(handOvers, 1, 2000);
        QTRY_VERIFY(splash.isNull());
        QCOMPARE(played, intro + QStringList{"stopped"}); // the sound ends with the splash
        QTRY_COMPARE(ended.count(), 1);
        if (click)
            QTest::qWait(2300); // the timer never fires after a click
        QCOMPARE(handOvers, 1);
        RunKeeper::setCurrent(nullptr);
    }

    void splash_characterNowhere_showsOnlyTheErrorAndNoWindow() {
        test::TestContext t;
        // The user takes longer than the splash timer to read the message.
        t.dialogs.whileOpen = [] { QTest::qWait(2300); };
        QStringList played;
        bool handedOver = false;
        QVERIFY(!SplashWindow::open(t.context, std::make_unique<RecordingSound>(&played),
                                    [&] { handedOver = true; }));
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|NO CHARACTER FILES DETECTED"));
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
        QTest::qWait(10);
        QVERIFY(!handedOver);
    }

    void checkFiles_characterInPlace_collapsesAndOpensTheMainWindow() {
        test::TestContext t;
        t.writeFile(t.programFile("tovrin.acs"), "character");
        QWidget* given = nullptr;
        QPointer<CheckFilesWindow> window =
            CheckFilesWindow::open(t.context, [&](QWidget* checkFiles) { given = checkFiles; });
        QCOMPARE(given, window.data());
        QVERIFY(window->isVisible() && window->height() == 1);
        QVERIFY(window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        QCOMPARE(window->windowTitle(), QString("Checking Files..."));
        delete window;
    }

    void checkFiles_afterTheMessage_endsTheRun() {
        test::TestContext t;
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QSignalSpy ended(&keeper, &RunKeeper::lastWindowClosed);
        bool mainOpened = false;
        QPointer<CheckFilesWindow> window =
            CheckFilesWindow::open(t.context, [&](QWidget*) { mainOpened = true; });
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|ERROR: Please make sure") &&
                !mainOpened);
        QTRY_VERIFY(window.isNull());
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(keeper.exitCode(), 1); // nothing started: the run ends with failure
        RunKeeper::setCurrent(nullptr);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
