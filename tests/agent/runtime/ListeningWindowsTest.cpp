#include "SpeechSamples.h"
#include "agent/runtime/ListeningTip.h"
#include "agent/runtime/VoiceCommandsWindow.h"
#include "platform/desktop/RunKeeper.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

class ListeningWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void voiceCommandsWindow_listsEveryCommandWithItsPhrasesInOneWindow() {
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        VoiceCommandsWindow* window = VoiceCommandsWindow::showFor(test::tovrinCatalogue());
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QString("Voice Commands"));
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(keeper.openWindows(), 1);

        auto* list = window->findChild<QTreeWidget*>();
        QCOMPARE(list->topLevelItemCount(), 12);
        const QTreeWidgetItem* age = list->topLevelItem(8);
        QCOMPARE(age->text(0), QString("How old are you?"));
        QCOMPARE(age->childCount(), 6);
        QCOMPARE(age->child(2)->text(0),
                 QString::fromUtf8("\u201Cwhat is your age, tovrin?\u201D"));
        QCOMPARE(list->topLevelItem(4)->text(0), QString("Real Chat  (also in the menu)"));

        // Showing it again updates the open window instead of opening a second one.
        QList<CommandRegistration> fewer = test::tovrinCatalogue().mid(0, 2);
        QCOMPARE(VoiceCommandsWindow::showFor(fewer, "No microphone was found."), window);
        QCOMPARE(list->topLevelItemCount(), 2);
        bool reasonShown = false;
        for (const QLabel* label : window->findChildren<QLabel*>())
            reasonShown =
                reasonShown || (label->text() == "No microphone was found." && label->isVisible());
        QVERIFY(reasonShown);

        window->close();
        QTRY_VERIFY(!VoiceCommandsWindow::current());
        QCOMPARE(keeper.openWindows(), 0);
        RunKeeper::setCurrent(nullptr);
    }

    void listeningTip_standsBesideTheFigureWithoutTakingTheFocus() {
        QWidget focused; // small and out of the tip's way: the tip keeps clear of it
        focused.setGeometry(QRect(
            QGuiApplication::primaryScreen()->availableGeometry().bottomLeft() - QPoint(-10, 60),
            QSize(80, 40)));
        focused.show();
        focused.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&focused));

        ListeningTip tip;
        QVERIFY(tip.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(tip.testAttribute(Qt::WA_ShowWithoutActivating));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect figure(100, 200, 128, 128);
        tip.showText(ListeningTip::listeningText(), figure);
        QVERIFY(tip.isVisible());
        QCOMPARE(tip.text(), QString("Listening..."));
        QCOMPARE(tip.geometry().left(), figure.right() + 1 + 4);
        QCOMPARE(tip.geometry().top(), figure.top());
        QCOMPARE(QApplication::activeWindow(), &focused);

        // Against the right edge it goes to the figure's left.
        const QRect atEdge(screen.right() - 128, 200, 128, 128);
        tip.showText(ListeningTip::heardText("real chat"), atEdge, 100);
        QCOMPARE(tip.text(), QString("Heard: \"real chat\""));
        QVERIFY(tip.geometry().right() < atEdge.left());
        QTRY_VERIFY(!tip.isVisible());
        QCOMPARE(ListeningTip::heardText(""), QString("Heard: (not understood)"));
    }

    void listeningTip_movesAsideForAWindowThatAppearsOverIt() {
        ListeningTip tip;
        const QRect figure(300, 300, 128, 128);
        tip.showText(ListeningTip::listeningText(), figure);
        const QRect before = tip.geometry();

        // A word balloon (an overlay, like the tip) opens where the tip stands.
        QWidget balloon(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        balloon.setAttribute(Qt::WA_TransparentForMouseEvents);
        balloon.setGeometry(before.adjusted(-20, -10, 20, 10));
        balloon.show();
        QTRY_VERIFY(!tip.geometry().intersects(balloon.geometry()));
        QVERIFY(!tip.geometry().intersects(figure));
        QCOMPARE(tip.text(), QString("Listening..."));

        // Once hidden, it no longer watches the program's windows.
        tip.hide();
        const QRect hidden = tip.geometry();
        balloon.move(hidden.topLeft());
        QTest::qWait(20);
        QCOMPARE(tip.geometry(), hidden);
    }
};

QTEST_MAIN(ListeningWindowsTest)
#include "ListeningWindowsTest.moc"
