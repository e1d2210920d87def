#include "Resources.h"
#include "TestContext.h"
#include "platform/RunKeeper.h"
#include "platform/SoundPlayer.h"
#include "startup/CheckFilesWindow.h"
#include "startup/SplashWindow.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {
class RecordingSound final : public SoundPlayer {
public:
    explicit RecordingSound(QStringList* played) : m_played(played) {}
    ~RecordingSound() override { m_played->append("stopped"); }
    void play(const QString& path) override { m_played->append(path); }

private:
    QStringList* m_played;
};
} // namespace

class StartupWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }

    void splash_handsOverAfterTheTimer() {
        test::TestContext t;
        t.writeFile(t.programFile("tovrin.acs"), "character");
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
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->size(), QSize(600, 152));
        QCOMPARE(played, QStringList{t.programFile("snds/welcome.mp3")});
        QTest::qWait(1500);
        QCOMPARE(handOvers, 0);
        QTRY_COMPARE_WITH_TIMEOUT(handOvers, 1, 2000);
        QTRY_VERIFY(splash.isNull());
        QCOMPARE(played.last(), QString("stopped")); // the sound ends with the splash
        // The run did not end between the splash and the next window, only after it.
        QTRY_COMPARE(ended.count(), 1);
        RunKeeper::setCurrent(nullptr);
    }

    void splash_clickHandsOverAtOnceAndTheTimerNeverFiresAfter() {
        test::TestContext t;
        t.writeFile(t.programFile("tovrin.acs"), "character");
        QStringList played;
        int handOvers = 0;
        QPointer<SplashWindow> splash = SplashWindow::open(
            t.context, std::make_unique<RecordingSound>(&played), [&] { ++handOvers; });
        QVERIFY(splash);
        QCOMPARE(played, QStringList{}); // LSOUND missing: no sound
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(300, 75));
        QCOMPARE(handOvers, 1);
        QTRY_VERIFY(splash.isNull());
        QTest::qWait(2300);
        QCOMPARE(handOvers, 1);
    }

    void splash_characterNowhere_showsOnlyTheErrorAndNoWindow() {
        test::TestContext t;
        // The user takes longer than the splash timer to read the message.
        t.dialogs.whileOpen = [] { QTest::qWait(2300); };
        QStringList played;
        bool handedOver = false;
        SplashWindow* splash = SplashWindow::open(
            t.context, std::make_unique<RecordingSound>(&played), [&] { handedOver = true; });
        QVERIFY(!splash);
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|NO CHARACTER FILES DETECTED"));
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().cbegin(),
                             QApplication::topLevelWidgets().cend(),
                             [](QWidget* w) { return w->isVisible(); }));
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
        QVERIFY(window->isVisible());
        QCOMPARE(window->height(), 1);
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
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|ERROR: Please make sure"));
        QVERIFY(!mainOpened);
        QTRY_VERIFY(window.isNull());
        QTRY_COMPARE(ended.count(), 1);
        RunKeeper::setCurrent(nullptr);
    }
};

QTEST_MAIN(StartupWindowsTest)
#include "StartupWindowsTest.moc"
