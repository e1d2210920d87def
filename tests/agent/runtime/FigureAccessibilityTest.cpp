#include "PopupMenus.h"
#include "TestCharacter.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/SpeechOutput.h"
#include "agent/runtime/BalloonComfort.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/ListeningTip.h"
#include "agent/runtime/WordBalloon.h"

#include <QAccessible>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent;

namespace {

// Speech that shows its first word at once and ends after a moment.
class QuickSpeech : public SpeechOutput {
public:
    QuickSpeech() {
        m_timer.setSingleShot(true);
        m_timer.setInterval(40);
        connect(&m_timer, &QTimer::timeout, this, [this] { emit finished(); });
    }
    void speak(const QString& text, const VoiceSettings&, int) override {
        m_timer.start();
        QTimer::singleShot(0, this, [this, text] {
            emit wordStarted(0, int(text.indexOf(' ') < 0 ? text.size() : text.indexOf(' ')));
        });
    }
    void stop() override { m_timer.stop(); }
    bool isSpeaking() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

class FigureAccessibilityTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    std::unique_ptr<CharacterRuntime> shownRuntime() {
        auto runtime = std::make_unique<CharacterRuntime>();
        runtime->setIdleDelay(60000, 60000);
        runtime->setSpeechOutputFactory([] { return std::make_unique<QuickSpeech>(); });
        if (!runtime->Characters().Load("Tovrin", m_file).isOk())
            return nullptr;
        runtime->Characters().Character("Tovrin").Show();
        if (!QTest::qWaitFor([&] { return !runtime->isBusy("Tovrin"); }, 5000))
            return nullptr;
        return runtime;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath("tovrin.acs");
        QVERIFY(testcharacter::writeTo(m_file));
    }

    void cleanup() {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }

    void figure_isANamedWindow_whoseShowMenuActionOpensANamedMenuBelowIt() {
        auto runtime = shownRuntime();
        QVERIFY(runtime);
        FigureWindow* window = runtime->figureWindow("Tovrin");
        runtime->Characters().Character("Tovrin").Commands().Add("hello", "Hello", "hello");
        runtime->Characters().Character("Tovrin").Commands().Add("line", QString(45, '-'), "");
        QAccessibleInterface* figure = QAccessible::queryAccessibleInterface(window);
        QCOMPARE(figure->role(), QAccessible::Window);
        QCOMPARE(figure->text(QAccessible::Name), QString("Tester"));
        QCOMPARE(figure->text(QAccessible::Description),
                 QString("Tester, your desktop companion. Press Shift+F10 for its menu."));
        QAccessibleActionInterface* actions = figure->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
        QCOMPARE(actions->keyBindingsForAction(QAccessibleActionInterface::showMenuAction()),
                 QStringList("Shift+F10"));
        const int closedChildren = figure->childCount();

        actions->doAction(QAccessibleActionInterface::showMenuAction());
        QMenu* menu = test::waitForPopupMenu();
        QVERIFY(menu);
        QCOMPARE(menu->activeAction(), menu->actions().first()); // ready for the arrow keys
        QCOMPARE(figure->childCount(), closedChildren + 1);
        QAccessibleInterface* popup = figure->child(closedChildren);
        QCOMPARE(popup->role(), QAccessible::PopupMenu);
        QCOMPARE(popup->text(QAccessible::Name), QString("Tester"));
        QCOMPARE(popup->parent()->object(), window);
        QCOMPARE(figure->indexOfChild(popup), closedChildren);

        // The line of dashes is a separator for screen readers, still shown and chosen as before.
        QAccessibleInterface* hello = popup->child(0);
        QAccessibleInterface* line = popup->child(1);
        QCOMPARE(hello->role(), QAccessible::MenuItem);
        QCOMPARE(hello->text(QAccessible::Name), QString("Hello"));
        QCOMPARE(menu->actions().at(1)->text(), QString(45, '-'));
        QCOMPARE(line->role(), QAccessible::Separator);
        QCOMPARE(line->text(QAccessible::Name), QString());
        QCOMPARE(line->parent()->object(), menu);
        QSignalSpy commands(runtime.get(), &AgentControl::Command);
        line->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(commands.size(), 1);
        QCOMPARE(commands.first().first().value<UserInput>().Name, QString("line"));
        QVERIFY(!menu->isVisible());
        QCOMPARE(figure->childCount(), closedChildren);
    }

    void keys_openTheMenu_moveTheFigure_andEscapeGivesTheFocusBack() {
        auto runtime = shownRuntime();
        QVERIFY(runtime);
        FigureWindow* window = runtime->figureWindow("Tovrin");
        runtime->Characters().Character("Tovrin").Commands().Add("hello", "Hello", "hello");
        QWidget elsewhere;
        elsewhere.setWindowTitle("elsewhere");
        elsewhere.show();
        elsewhere.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&elsewhere));

        QVERIFY(runtime->focusFigure());
        QTRY_VERIFY(window->isActiveWindow());
        QTest::keyClick(window->windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
        QMenu* menu = test::waitForPopupMenu();
        QVERIFY(menu);
        menu->close();
        QTest::keyClick(window->windowHandle(), Qt::Key_Menu);
        QVERIFY(test::waitForPopupMenu());
        QApplication::activePopupWidget()->close();
        QTest::keyClick(window->windowHandle(), Qt::Key_F10); // without Shift: nothing
        QVERIFY(!QApplication::activePopupWidget());

        const QPoint start = window->pos();
        QTest::keyClick(window->windowHandle(), Qt::Key_Right);
        QTest::keyClick(window->windowHandle(), Qt::Key_Down);
        QTest::keyClick(window->windowHandle(), Qt::Key_Down);
        QTest::keyClick(window->windowHandle(), Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(window->pos(),
                 start + QPoint(FigureWindow::kKeyStep - 1, 2 * FigureWindow::kKeyStep));
        // However far the keys push it, part of the figure stays on the screen.
        for (int i = 0; i < 200; ++i)
            QTest::keyClick(window->windowHandle(), Qt::Key_Up);
        QVERIFY(window->frameGeometry().intersects(window->screen()->geometry()));

        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(elsewhere.isActiveWindow());
        QVERIFY(!runtime->returnFocus()); // given back once
    }

    void speechAndListening_showAsNotificationsNamedWithTheirWords() {
        auto runtime = shownRuntime();
        QVERIFY(runtime);
        runtime->Characters().Character("Tovrin").Speak("What's  up,\n friend?");
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));
        QAccessibleInterface* balloon =
            QAccessible::queryAccessibleInterface(runtime->balloon("Tovrin"));
        QCOMPARE(balloon->role(), QAccessible::Notification);
        QCOMPARE(balloon->text(QAccessible::Name), QString("What's up, friend?"));

        listening::ListeningTip tip;
        tip.showText(listening::ListeningTip::heardText("real chat"), QRect(100, 100, 120, 160));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&tip);
        QCOMPARE(iface->role(), QAccessible::Notification);
        QCOMPARE(iface->text(QAccessible::Name), QString("Heard: \"real chat\""));
    }

    void desktopPreferences_calmTheFigure_andTheBalloonFollowsFontAndContrast() {
        auto runtime = shownRuntime();
        QVERIFY(runtime);
        runtime->setDesktopPreferences({true, false});
        QSignalSpy animations(runtime.get(), &CharacterRuntime::animationStarted);
        runtime->Characters().Character("Tovrin").MoveTo(0, 150);
        QTRY_VERIFY(!runtime->isBusy("Tovrin"));
        QCOMPARE(runtime->figureWindow("Tovrin")->pos(), QPoint(0, 150));
        for (const QList<QVariant>& call : animations)
            QVERIFY2(!call[1].toString().startsWith("Move"), qPrintable(call[1].toString()));

        speech::BalloonSettings file;
        file.fontPointSize = 10;
        file.textColor = QColor(0xdd, 0xdd, 0xdd);
        file.backgroundColor = QColor(0xff, 0xfa, 0xe6);
        const speech::BalloonSettings plain = speech::comfortableBalloon(file, {}, 13);
        QCOMPARE(plain.fontPointSize, 13.0);          // the desktop's larger font
        QCOMPARE(plain.textColor, QColor(Qt::black)); // pale on pale is not readable
        QCOMPARE(plain.fadeMs, file.fadeMs);
        QCOMPARE(speech::comfortableBalloon(file, {}, 8).fontPointSize, 10.0);
        const speech::BalloonSettings strong = speech::comfortableBalloon(file, {true, true}, 8);
        QCOMPARE(strong.textColor, QColor(Qt::black));
        QCOMPARE(strong.backgroundColor, QColor(Qt::white));
        QCOMPARE(strong.fadeMs, 0);
        file.textColor = QColor(0x1c, 0x26, 0x26); // readable colours stay
        QCOMPARE(speech::comfortableBalloon(file, {}, 8).textColor, file.textColor);
        QVERIFY(qAbs(speech::contrastRatio(Qt::black, Qt::white) - 21.0) < 0.01);
    }
};

QTEST_MAIN(FigureAccessibilityTest)
#include "FigureAccessibilityTest.moc"
