#include "RecordingAgent.h"
#include "TestContext.h"
#include "chat/ChatTurn.h"
#include "chat/ChatWindow.h"
#include "platform/desktop/RunKeeper.h"

#include <QAccessible>
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

// The lines of log.tz, split at CR LF.
QStringList logLines(const test::TestContext& t) {
    const QString text = QString::fromUtf8(test::TestContext::readFile(t.programFile("log.tz")));
    return text.isEmpty() ? QStringList{} : text.chopped(2).split("\r\n");
}

struct Fixture {
    test::TestContext t;
    test::RecordingAgent agent;
    Fixture() {
        (void)agent.loadCharacter("Tovrin", "tovrin.acs");
        agent.calls.clear();
    }
};

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

class ChatTest : public QObject {
    Q_OBJECT
private slots:
    // A test that failed half-way leaves no window behind for the next one.
    void cleanup() { delete ChatWindow::current(); }

    void turn_speaksAndRecordsWhatThePhraseCallsFor_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("box");      // the one box shown, or ""
        QTest::addColumn<QStringList>("said"); // empty: nothing spoken or written
        auto row = [](const char* name, QString phrase, QString answer, QString box,
                      QStringList said) { QTest::newRow(name) << phrase << answer << box << said; };
        const QString ask = "input %1|What's your name?";
        row("general header", "---GENERAL---", "",
            "message GENERAL|Please select an option from below... Hello!,Hey!...", {});
        row("names header", "---NAMES---", "",
            "message name|Please select an name option from below... Note please type in your "
            "name in a box below this box if a box appears...",
            {});
        // The five name phrases ask in their own spelling and end in the answer.
        for (const auto& [phrase, prompt] : QList<std::pair<const char*, const char*>>{
                 {"Hey dude, my name is", "name"},
                 {"What's up? My name is", "name"},
                 {"Cool! Now you know, my name is", "name"},
                 {"Let me tell you, my name is", "Name"},
                 {"You wanna know about me? My name is", "Name"}})
            row(phrase, QString(phrase) + "...", "Sam", ask.arg(prompt),
                {QString(phrase) + " Sam"});
        row("cancelled", "Hey dude, my name is...", "", ask.arg("name"), {"Hey dude, my name is "});
        row("blanks kept", "Let me tell you, my name is...", "  Sam Lee ", ask.arg("Name"),
            {"Let me tell you, my name is   Sam Lee "});
        row("pasted line break", "What's up? My name is...", "Sam\r\nLee", ask.arg("name"),
            {"What's up? My name is Sam Lee"});
        // Any other text, near misses too, is said and recorded as it is.
        for (const char* said :
             {"hey dude, my name is...", "Hey dude,  my name is...", "OK everybody! My name is...",
              "My name is...", "Type something..."})
            row(said, said, "", "", {said});
        row("empty", "", "", "", {""});
        row("typed lines", "Hi\rthere\nyou", "", "", {"Hi there you"});
    }
    void turn_speaksAndRecordsWhatThePhraseCallsFor() {
        QFETCH(QString, phrase);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QFETCH(QStringList, said);
        Fixture f;
        f.t.dialogs.inputAnswers = {answer};
        const std::optional<QString> line = ChatTurn::run(f.t.context, &f.agent, phrase);
        QCOMPARE(f.t.dialogs.shown, box.isEmpty() ? QStringList{} : QStringList{box});
        QCOMPARE(f.agent.spokenTexts(), said);
        QCOMPARE(line.has_value(), !said.isEmpty());
        const QStringList lines = logLines(f.t);
        QCOMPARE(lines.size(), said.isEmpty() ? 0 : 6); // a header never creates the file
        if (!said.isEmpty())
            QCOMPARE(lines[4], said[0]);
    }

    // Each turn appends one whole record after what was there, on the lowest
    // file channel number that no open file holds.
    void turns_appendWholeRecordsOnTheLowestFreeChannel() {
        Fixture f;
        const QString path = f.t.programFile("log.tz");
        f.t.writeFile(path, "earlier\r\n");
        f.t.dialogs.inputAnswers = {"Sam"};
        {
            const ChannelLease elsewhere = f.t.channels.acquireLowest();
            ChatTurn::run(f.t.context, &f.agent, "Hey dude, my name is...");
        }
        ChatTurn::run(f.t.context, &f.agent, "Hey!");
        auto record = [&](const char* channel, const QByteArray& line) {
            return "==================" + f.t.clock.shortDateText().toUtf8() +
                   "=======================\r\nReport type: CHAT\r\n" + path.toUtf8() + "\r\n" +
                   channel + "\r\n" + line +
                   "\r\n==================1==========================\r\n";
        };
        QCOMPARE(test::TestContext::readFile(path),
                 "earlier\r\n" + record("2", "Hey dude, my name is Sam") + record("1", "Hey!"));
    }

    void characterNotLoaded_speaksNothingButKeepsTheRecord() {
        Fixture f;
        // The program's Exit unloads the character while the name box is up;
        // then a turn with the character gone, and one without any control.
        f.t.dialogs.whileOpen = [&] { f.agent.unloadCharacter("Tovrin"); };
        f.t.dialogs.inputAnswers = {"Sam"};
        ChatTurn::run(f.t.context, &f.agent, "Hey dude, my name is...");
        ChatTurn::run(f.t.context, &f.agent, "Hello!");
        ChatTurn::run(f.t.context, nullptr, "Hey!");
        QCOMPARE(f.agent.calls.filter("speak") + f.agent.ignoredCalls, QStringList{});
        const QStringList lines = logLines(f.t);
        QCOMPARE(lines.size(), 18);
        QCOMPARE((QStringList{lines[4], lines[10], lines[16]}),
                 (QStringList{"Hey dude, my name is Sam", "Hello!", "Hey!"}));
    }

    void openStartOpenAgain_collapsedAtTheStoredPlaceThenExpandedThenOnlyBroughtForward() {
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
        // Screen readers meet a window with named controls and headings for the categories.
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window.data());
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->text(QAccessible::Name), QString("Real Chat 1"));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(phrases(window))->text(QAccessible::Description),
            QString("Phrase for Tovrin to say"));
        QCOMPARE(QAccessible::queryAccessibleInterface(phrases(window)->lineEdit())
                     ->text(QAccessible::Name),
                 QString("Phrase for Tovrin to say"));
        QVERIFY(!QAccessible::queryAccessibleInterface(window->findChild<QLabel*>("Image1"))
                     ->text(QAccessible::Name)
                     .isEmpty());
        QCOMPARE(phrases(window)->itemData(7, Qt::AccessibleTextRole).toString(),
                 QString("Names, section heading"));
        QCOMPARE(phrases(window)->itemText(7), QString("---NAMES---"));

        QTest::mouseClick(start(window), Qt::LeftButton);
        QVERIFY(!start(window)->isVisible() && !start(window)->isEnabled());
        QCOMPARE(window->frameGeometry().size(), QSize(433, 200)); // frame included
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(phrases(window)->isVisible() && sayIt(window)->isVisible());
        QVERIFY(!window->findChild<QLineEdit*>("thename")->isVisible());
        phrases(window)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), sayIt(window));

        // Opening again only brings the open window forward, as it was.
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

    void sayIt_runsOneTurn_enterAndEscapeStartNothing_unwritableTranscriptIsReported() {
        Fixture f;
        QPointer<ChatWindow> window = ChatWindow::open(f.t.context, &f.agent);
        QTest::mouseClick(start(window), Qt::LeftButton);
        QLineEdit* edit = phrases(window)->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, "hello");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(f.agent.spokenTexts(), QStringList{});
        QCOMPARE(listOf(phrases(window)), kEntries);                // Enter added nothing
        QCOMPARE(phrases(window)->currentText(), QString("hello")); // nor completed it
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QCOMPARE(f.agent.spokenTexts(), QStringList{"hello"});

        // An unwritable transcript is reported; the speech goes on and the window stays usable.
        const QString log = f.t.programFile("log.tz");
        QVERIFY(QFile::remove(log) && QDir().mkdir(log));
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QTest::mouseClick(sayIt(window), Qt::LeftButton);
        QCOMPARE(f.agent.spokenTexts(), (QStringList{"hello", "hello", "hello"}));
        QCOMPARE(f.t.dialogs.shown.size(), 2);
        QVERIFY2(f.t.dialogs.shown[1].startsWith("message ERROR|") &&
                     f.t.dialogs.shown[1].contains(log),
                 qPrintable(f.t.dialogs.shown[1]));
        QVERIFY(window->isVisible());
    }

    void close_movesTheCharacterHomeAndTheNextOpenStartsAfresh() {
        Fixture f;
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QSignalSpy ended(&keeper, &RunKeeper::lastWindowClosed);
        QPointer<ChatWindow> window = ChatWindow::open(f.t.context, &f.agent);
        QVERIFY(closeAndWait(window)); // closed collapsed
        QTRY_COMPARE(ended.count(), 1);
        window = ChatWindow::open(f.t.context, &f.agent);
        QTest::mouseClick(start(window), Qt::LeftButton);
        QVERIFY(closeAndWait(window)); // closed expanded
        QCOMPARE(f.agent.calls, (QStringList{"moveTo Tovrin|0,0", "moveTo Tovrin|0,0"}));

        window = ChatWindow::open(f.t.context, &f.agent);
        QVERIFY(start(window)->isVisible());
        QCOMPARE(window->size(), QSize(248, 30));
        QCOMPARE(listOf(phrases(window)), kEntries);
        QCOMPARE(phrases(window)->currentText(), QString("Type something..."));
        // After the program's Exit the character is gone: closing asks nothing.
        f.agent.unloadCharacter("Tovrin");
        f.agent.calls.clear();
        QVERIFY(closeAndWait(window));
        QCOMPARE(f.agent.calls + f.agent.ignoredCalls, QStringList{});
        RunKeeper::setCurrent(nullptr);
    }
};

QTEST_MAIN(ChatTest)
#include "ChatTest.moc"
