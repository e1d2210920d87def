// The whole program, built by the same composition code as the executable, with
// fakes for the seams, offscreen: the start-up chain, the greeting, a command
// from Tovrin's menu, and the end of the run. What each part writes to its
// files is left to the parts' own tests.
#include "PopupMenus.h"
#include "Resources.h"
#include "TestContext.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "app/Program.h"
#include "platform/desktop/SoundPlayer.h"
#include "startup/SplashWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {
class NoSound final : public SoundPlayer {
public:
    void play(const QString&) override {}
};

// The splash window that the start opened, if it is showing.
SplashWindow* shownSplash() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* splash = qobject_cast<SplashWindow*>(window); splash && splash->isVisible())
            return splash;
    }
    return nullptr;
}

// Opens Tovrin's menu and chooses the entry with text.
bool choose(agent::FigureWindow* figure, const QString& text) {
    QTest::mouseClick(figure->windowHandle(), Qt::RightButton, {}, QPoint(60, 80));
    QMenu* menu = test::waitForPopupMenu();
    if (!menu)
        return false;
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            menu->close();
            action->trigger();
            return true;
        }
    }
    return false;
}
} // namespace

class ProgramEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }

    void start_greet_help_exit() {
        test::TestContext t;
        QVERIFY(QFile::copy(QStringLiteral(TK_CHARACTER_FILE), t.programFile("tovrin.acs")));
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n");
        t.writeFile(t.programFile("readme.txt"), "read me");
        t.writeFile(t.context.systemSettingsFile, "NAME=Test\n");

        Program program({t.context,
                         [] { return std::make_unique<NoSound>(); },
                         [] { return std::make_unique<agent::speech::EspeakSpeechOutput>(); },
                         nullptr,
                         QString(),
                         {},
                         DesktopPreferences{}});
        QSignalSpy ended(&program, &Program::finished);
        agent::CharacterRuntime& runtime = program.runtime();
        QSignalSpy spoken(&runtime, &agent::CharacterRuntime::speechStarted);
        QVERIFY(program.start());
        SplashWindow* splash = shownSplash();
        QVERIFY(splash);
        QTest::mouseClick(splash, Qt::LeftButton);

        QTRY_VERIFY(runtime.isLoaded("Tovrin"));
        agent::FigureWindow* figure = runtime.figureWindow("Tovrin");
        QTRY_VERIFY(figure->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(spoken.count(), 1, 10000);
        QCOMPARE(spoken.first().at(1).toString(), QString("Nice to see you again, Sam"));
        QVERIFY(t.dialogs.shown.isEmpty()); // no first-run dialogue

        QVERIFY(choose(figure, "Help"));
        QTRY_COMPARE(t.launcher.starts, QStringList{"xdg-open|" + t.programFile("readme.txt")});
        QVERIFY(choose(figure, "Exit"));
        QTRY_VERIFY(!runtime.isLoaded("Tovrin"));
        QTRY_VERIFY(ended.count() >= 1);
    }
};

QTEST_MAIN(ProgramEndToEndTest)
#include "ProgramEndToEndTest.moc"
