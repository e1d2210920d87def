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

const QStringList kEntries{"---GENERAL---",
                           "Hello!",
                           "Hey!",
                           "What's up?",
                           "Hello, friend.",
                           "Hello, friend!",
                           "Are you my friend?",
                           "---NAMES---",
                           "Hey dude, my name is...",
                           "What's up? My name is...",
                           "Cool! Now you know, my name is...",
                           "Let me tell you, my name is...",
                           "You wanna know about me? My name is...",
                           "OK everybody! My name is...",
                           "My name is..."};

template <typename T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QStringList listOf(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// Closes window with its close box and waits until it is gone.
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

    void open_showsTheCollapsedWindowAsStored() {
        test::TestContext t;
        test::RecordingAgent agent;
        QPointer<ChatWindow> window = ChatWindow::open(t.context, &agent);
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QCOMPARE(window->objectName(), QString("rchatmain"));
        QCOMPARE(window->windowTitle(), QString("Real Chat 1"));
        const Qt::WindowFlags flags = window->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window->font().family(), QString("Tahoma"));
        QCOMPARE(window->font().pointSizeF(), 9.75);
        QCOMPARE(window->geometry(), QRect(157, 161, 248, 30));
        QCOMPARE(window->minimumSize(), window->maximumSize());

        auto* start = child<QPushButton>(window, "enable_button");
        auto* phrases = child<QComboBox>(window, "tovrin_say");
        auto* say = child<QPushButton>(window, "submit_say");
        auto* name = child<QLineEdit>(window, "thename");
        auto* picture = child<QLabel>(window, "Image1");
        QVERIFY(start->isVisible() && start->isEnabled());
        QCOMPARE(start->geometry(), QRect(56, 0, 137, 25));
        QCOMPARE(start->palette().color(QPalette::Button), QColor(255, 255, 0));
        QVERIFY(!phrases->isVisible() && !say->isVisible() && !name->isVisible());
        QCOMPARE(listOf(phrases), kEntries);
        QCOMPARE(phrases->currentIndex(), -1);
        QCOMPARE(phrases->currentText(), QString("Type something..."));
        QCOMPARE(name->text(), QString("Your name..."));
        QCOMPARE(picture->geometry(), QRect(0, 0, 40, 40));
        QVERIFY(!picture->pixmap().isNull());
        delete window;
    }

    void start_expandsTheWholeWindowAndRevealsThePhraseBox() {
        test::TestContext t;
        QPointer<ChatWindow> window = ChatWindow::open(t.context, nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* start = child<QPushButton>(window, "enable_button");
        QTest::mouseClick(start, Qt::LeftButton);

        QVERIFY(!start->isVisible() && !start->isEnabled());
        QTRY_COMPARE(window->frameGeometry().size(), QSize(433, 200));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(child<QComboBox>(window, "tovrin_say")->isVisible());
        QVERIFY(child<QPushButton>(window, "submit_say")->isVisible());
        QVERIFY(!child<QLineEdit>(window, "thename")->isVisible());
        // Focus moves through the controls in their stored order.
        child<QComboBox>(window, "tovrin_say")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(window, "submit_say"));
        delete window;
    }

    void sayIt_runsOneTurnWhileEnterAndEscapeStartNothing() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        QPointer<ChatWindow> window = ChatWindow::open(t.context, &agent);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(child<QPushButton>(window, "enable_button"), Qt::LeftButton);
        auto* phrases = child<QComboBox>(window, "tovrin_say");
        phrases->lineEdit()->clear();
        QTest::keyClicks(phrases->lineEdit(), "hello");
        QTest::keyClick(phrases->lineEdit(), Qt::Key_Return);
        QTest::keyClick(phrases->lineEdit(), Qt::Key_Escape);
        QCOMPARE(agent.spokenTexts(), QStringList{});
        QCOMPARE(phrases->count(), 15);                     // Enter added nothing
        QCOMPARE(phrases->currentText(), QString("hello")); // and completed nothing

        QTest::mouseClick(child<QPushButton>(window, "submit_say"), Qt::LeftButton);
        QCOMPARE(agent.spokenTexts(), QStringList{"hello"});
        QVERIFY(QFile::exists(t.programFile("log.tz")));

        // A transcript that cannot be written is reported; the window stays usable.
        QFile::remove(t.programFile("log.tz"));
        QVERIFY(QDir().mkdir(t.programFile("log.tz")));
        QTest::mouseClick(child<QPushButton>(window, "submit_say"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(window, "submit_say"), Qt::LeftButton);
        QCOMPARE(agent.spokenTexts(), (QStringList{"hello", "hello", "hello"}));
        QCOMPARE(t.dialogs.shown.filter("message ERROR|").size(), 2);
        QVERIFY(window->isVisible());
        delete window;
    }

    void openAgain_onlyBringsTheOpenWindowForward() {
        test::TestContext t;
        QPointer<ChatWindow> window = ChatWindow::open(t.context, nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(child<QPushButton>(window, "enable_button"), Qt::LeftButton);
        child<QComboBox>(window, "tovrin_say")->setEditText("typed");
        auto* other = new QWidget;
        other->show();
        other->activateWindow();

        QCOMPARE(ChatWindow::open(t.context, nullptr), window.data());
        QTRY_VERIFY(window->isActiveWindow());
        QCOMPARE(listOf(child<QComboBox>(window, "tovrin_say")), kEntries);
        QCOMPARE(child<QComboBox>(window, "tovrin_say")->currentText(), QString("typed"));
        QVERIFY(!child<QPushButton>(window, "enable_button")->isVisible());
        delete other;
        delete window;
    }

    void close_movesTheCharacterHomeAndTheNextOpenStartsAfresh() {
        test::TestContext t;
        test::RecordingAgent agent;
        agent.loadCharacter("Tovrin", "tovrin.acs");
        agent.calls.clear();
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QSignalSpy ended(&keeper, &RunKeeper::lastWindowClosed);

        QPointer<ChatWindow> first = ChatWindow::open(t.context, &agent); // closed collapsed
        QCOMPARE(keeper.openWindows(), 1);
        QVERIFY(closeAndWait(first));
        QCOMPARE(agent.calls, QStringList{"moveTo Tovrin|0,0"});
        QTRY_COMPARE(ended.count(), 1);

        QPointer<ChatWindow> second = ChatWindow::open(t.context, &agent);
        QVERIFY(second && second != first);
        QTest::mouseClick(child<QPushButton>(second, "enable_button"), Qt::LeftButton);
        QVERIFY(closeAndWait(second)); // closed expanded
        QCOMPARE(agent.calls, (QStringList{"moveTo Tovrin|0,0", "moveTo Tovrin|0,0"}));

        QPointer<ChatWindow> third = ChatWindow::open(t.context, &agent);
        QVERIFY(child<QPushButton>(third, "enable_button")->isVisible());
        QCOMPARE(third->size(), QSize(248, 30));
        QCOMPARE(listOf(child<QComboBox>(third, "tovrin_say")), kEntries);
        QCOMPARE(child<QComboBox>(third, "tovrin_say")->currentText(),
                 QString("Type something..."));

        // After the program's Exit the character is gone: closing asks nothing.
        agent.unloadCharacter("Tovrin");
        agent.calls.clear();
        QVERIFY(closeAndWait(third));
        QCOMPARE(agent.calls + agent.ignoredCalls, QStringList{});
        RunKeeper::setCurrent(nullptr);
    }
};

QTEST_MAIN(ChatWindowTest)
#include "ChatWindowTest.moc"
