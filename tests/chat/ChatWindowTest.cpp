#include "chat/ChatWindow.h"

#include "RecordingAgent.h"
#include "TestContext.h"
#include "platform/RunKeeper.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {

const QStringList kEntries =
    QString("---GENERAL---|Hello!|Hey!|What's up?|Hello, friend.|Hello, friend!|Are you my "
            "friend?|---NAMES---|Hey dude, my name is...|What's up? My name is...|Cool! Now you "
            "know, my name is...|Let me tell you, my name is...|You wanna know about me? My name "
            "is...|OK everybody! My name is...|My name is...")
        .split('|');

QPushButton* start(QWidget* w) {
    return w->findChild<QPushButton*>("enable_button");
}
QComboBox* phrases(QWidget* w) {
    return w->findChild<QComboBox*>("tovrin_say");
}
QPushButton* sayIt(QWidget* w) {
    return w->findChild<QPushButton*>("submit_say");
}

QStringList listOf(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

bool closeAndWait(QPointer<ChatWindow> window) {
    window->close();
    return QTest::qWaitFor([&] { return window.isNull(); }, 5000);
}

} // namespace

class ChatWindowTest : public QObject {
    Q_OBJECT
private slots:
    // A test that failed half-way leaves no window behind for the next one.
    void cleanup() { delete ChatWindow::current(); }

    void openThenStart_collapsedAtTheStoredPlaceThenExpandedToTheWholeSize() {
        test::TestContext t;
        QPointer<ChatWindow> window = ChatWindow::open(t.context, nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QString("Real Chat 1"));
        QCOMPARE(window->windowFlags() & (Qt::WindowType_Mask | Qt::WindowMinMaxButtonsHint),
                 Qt::Tool);
        QCOMPARE(window->geometry(), QRect(157, 161, 248, 30));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(start(window)->isVisible() && start(window)->isEnabled());
        QCOMPARE(start(window)->palette().color(QPalette::Button), QColor(255, 255, 0));
        QVERIFY(!phrases(window)->isVisible() && !sayIt(window)->isVisible());
        QCOMPARE(listOf(phrases(window)), kEntries);
        QCOMPARE(phrases(window)->currentIndex(), -1);
        QCOMPARE(phrases(window)->currentText(), QString("Type something..."));
        QVERIFY(!window->findChild<QLabel*>("Image1")->pixmap().isNull());

        QTest::mouseClick(start(window), Qt::LeftButton);
        QVERIFY(!start(window)->isVisible() && !start(window)->isEnabled());
        QCOMPARE(window->frameGeometry().size(), QSize(433, 200)); // frame included
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(phrases(window)->isVisible() && sayIt(window)->isVisible());
        QVERIFY(!window->findChild<QLineEdit*>("thename")->isVisible());
        phrases(window)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), sayIt(window));
    }

    void sayIt_runsOneTurnWhileEnterAndEscapeStartNothing() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        QPointer<ChatWindow> window = ChatWindow::open(t.context, &agent);
        QTest::mouseClick(start(window), Qt::LeftButton);
        QLineEdit* edit = phrases(window)->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, "hello");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(agent.spokenTexts(), QStringList{});
        QCOMPARE(listOf(phrases(window)), kEntries);                // Enter added nothing
        QCOMPARE(phrases(window)->currentText(), QString("hello")); // nor completed it
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QCOMPARE(agent.spokenTexts(), QStringList{"hello"});

        // A transcript that cannot be written is reported; the window stays usable.
        QVERIFY(QFile::remove(t.programFile("log.tz")) && QDir().mkdir(t.programFile("log.tz")));
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QCOMPARE(agent.spokenTexts(), (QStringList{"hello", "hello", "hello"}));
        QCOMPARE(t.dialogs.shown.filter("message ERROR|").size(), 2);
        QVERIFY(window->isVisible());
    }

    void openAgain_onlyBringsTheOpenWindowForward() {
        test::TestContext t;
        QPointer<ChatWindow> window = ChatWindow::open(t.context, nullptr);
        QTest::mouseClick(start(window), Qt::LeftButton);
        phrases(window)->setEditText("typed");
        QWidget other;
        other.show();
        other.activateWindow();
        QCOMPARE(ChatWindow::open(t.context, nullptr), window.data());
        QTRY_VERIFY(window->isActiveWindow());
        QCOMPARE(listOf(phrases(window)), kEntries);
        QCOMPARE(phrases(window)->currentText(), QString("typed"));
        QVERIFY(!start(window)->isVisible());
    }

    void close_movesTheCharacterHomeAndTheNextOpenStartsAfresh() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        agent.calls.clear();
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QSignalSpy ended(&keeper, &RunKeeper::lastWindowClosed);
        QPointer<ChatWindow> window = ChatWindow::open(t.context, &agent);
        QVERIFY(closeAndWait(window)); // closed collapsed
        QTRY_COMPARE(ended.count(), 1);
        window = ChatWindow::open(t.context, &agent);
        QTest::mouseClick(start(window), Qt::LeftButton);
        QVERIFY(closeAndWait(window)); // closed expanded
        QCOMPARE(agent.calls, (QStringList{"moveTo Tovrin|0,0", "moveTo Tovrin|0,0"}));

        window = ChatWindow::open(t.context, &agent);
        QVERIFY(start(window)->isVisible());
        QCOMPARE(window->size(), QSize(248, 30));
        QCOMPARE(listOf(phrases(window)), kEntries);
        QCOMPARE(phrases(window)->currentText(), QString("Type something..."));
        // After the program's Exit the character is gone: closing asks nothing.
        agent.unloadCharacter("Tovrin");
        agent.calls.clear();
        QVERIFY(closeAndWait(window));
        QCOMPARE(agent.calls + agent.ignoredCalls, QStringList{});
        RunKeeper::setCurrent(nullptr);
    }
};

QTEST_MAIN(ChatWindowTest)
#include "ChatWindowTest.moc"
