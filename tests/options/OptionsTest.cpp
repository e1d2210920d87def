#include "OffscreenScreen.h"
#include "TestContext.h"
#include "options/FontList.h"
#include "options/OptionsWindow.h"
#include "platform/desktop/RunKeeper.h"
#include "settings/IntroSoundSetting.h"
#include "startup/StartupChecks.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

using namespace tk;

namespace {

QCheckBox* playIntro(QWidget* w) {
    return w->findChild<QCheckBox*>("play_intro");
}
QCheckBox* startAtLogin(QWidget* w) {
    return w->findChild<QCheckBox*>("start_at_login");
}
QListWidget* fontList(QWidget* w) {
    return w->findChild<QListWidget*>("List1");
}
void proceed(QWidget* w) {
    QTest::mouseClick(w->findChild<QPushButton*>("proc"), Qt::LeftButton);
}

QStringList listOf(QWidget* window) {
    QStringList items;
    for (int i = 0; i < fontList(window)->count(); ++i)
        items.append(fontList(window)->item(i)->text());
    return items;
}

const QString kChanges = "message tovrinkin|Changes detected.";

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { delete OptionsWindow::current(); }

    // The options window and the splash read LSOUND each on its own.
    void introSound_isOnOnlyForExactlyOne_data() {
        QTest::addColumn<QByteArray>("ini"); // null: no main.ini at all
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << QByteArray("[MAIN]\r\nLSOUND=1\r\n") << true;
        QTest::newRow("0") << QByteArray("[MAIN]\r\nLSOUND=0\r\n") << false;
        QTest::newRow("empty") << QByteArray("[MAIN]\r\nLSOUND=\r\n") << false;
        QTest::newRow("key missing") << QByteArray("[MAIN]\r\nOTHER=1\r\n") << false;
        QTest::newRow("file missing") << QByteArray() << false;
        QTest::newRow("01") << QByteArray("[MAIN]\r\nLSOUND=01\r\n") << false;
        QTest::newRow("yes") << QByteArray("[MAIN]\r\nLSOUND=yes\r\n") << false;
    }
    void introSound_isOnOnlyForExactlyOne() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, on);
        test::TestContext t;
        if (!ini.isNull())
            t.writeFile(t.programFile("main.ini"), ini);
        QCOMPARE(IntroSoundSetting::isOn(t.context.programDir), on);
        QCOMPARE(StartupChecks::introSoundToPlay(t.context),
                 on ? t.programFile("snds/welcome.mp3") : QString());
        QCOMPARE(test::TestContext::readFile(t.programFile("main.ini")), ini); // nothing written
    }

    void fontList_keepsEachLineAsAnEntry_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("entries");
        const QStringList three{"Arial", "", "Tahoma"};
        QTest::newRow("crlf") << QByteArray("Arial\r\n\r\nTahoma\r\n") << three;
        QTest::newRow("no final end") << QByteArray("Arial\r\n\r\nTahoma") << three;
        QTest::newRow("mixed") << QByteArray("A\rB\nC\r\n\n D \rZo\xc3\xab")
                               << QStringList{"A", "B", "C", "", " D ", QString::fromUtf8("Zoë")};
        QTest::newRow("one line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("empty file") << QByteArray("") << QStringList{};
    }
    void fontList_keepsEachLineAsAnEntry() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, entries);
        test::TestContext t;
        t.writeFile(t.programFile("fonts.cmd"), text);
        QCOMPARE(FontList::read(t.programFile("fonts.cmd"), t.channels), entries);
        QVERIFY(!t.channels.isHeld(FontList::kChannel)); // closed again
    }

    void fontList_missingHugeOrJunkFiles_stayWithinBounds() {
        test::TestContext t;
        const QString path = t.programFile("fonts.cmd");
        QCOMPARE(FontList::read(path, t.channels), QStringList{});
        QCOMPARE(FontList::read("/dev/zero", t.channels), QStringList{}); // would never end
        t.writeFile(path, QByteArray(FontList::kMaxEntries + 10, '\n'));
        QCOMPARE(FontList::read(path, t.channels).size(), FontList::kMaxEntries);

        // A long line is cut; the line that the byte bound cuts in two is left off.
        t.writeFile(path,
                    "x\n" + QByteArray(5000, 'y') + "\n" + QByteArray(FontList::kMaxBytes, 'z'));
        QCOMPARE(FontList::read(path, t.channels),
                 (QStringList{"x", QString(FontList::kMaxEntryLength, 'y')}));

        QByteArray junk(4 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
        t.writeFile(path, junk);
        const QStringList entries = FontList::read(path, t.channels);
        QVERIFY(!entries.isEmpty());
        for (const QString& entry : entries)
            QVERIFY(entry.size() <= FontList::kMaxEntryLength);
    }

    void open_showsTheStoredSettingAndTheFontList() {
        test::TestContext t;
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nLSOUND=1\r\n");
        t.writeFile(t.programFile("fonts.cmd"), "Arial\r\n\r\nTahoma");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QString("Options"));
        QCOMPARE(window->windowFlags() & (Qt::WindowType_Mask | Qt::WindowMinMaxButtonsHint),
                 Qt::Tool);
        QCOMPARE(window->geometry(), QRect(300, 311, 615, 312));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(playIntro(window)->parentWidget()->objectName(), QString("loadp"));
        QCOMPARE(fontList(window)->geometry(), QRect(296, 24, 257, 20));
        // The "Characters" box holds only the start-at-login choice.
        QCOMPARE(window->findChild<QGroupBox*>("Frame1")->findChildren<QWidget*>(),
                 QList<QWidget*>{startAtLogin(window)});
        QCOMPARE(startAtLogin(window)->text(), QString("Start Tovrin Kin when I log in"));
        QVERIFY(startAtLogin(window)->isVisible());
        QVERIFY(!startAtLogin(window)->isChecked());
        QVERIFY(playIntro(window)->isChecked());
        QCOMPARE(listOf(window), (QStringList{"Arial", "", "Tahoma"}));

        // Focus goes check boxes, Proceed, list; Enter and Escape press nothing.
        playIntro(window)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), startAtLogin(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("proc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), fontList(window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(t.dialogs.shown, QStringList{});
        QVERIFY(window->isVisible());
    }

    void proceedChecked_storesOneClosesThenTells() {
        test::TestContext t;
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QVERIFY(!playIntro(window)->isChecked()); // no settings file yet
        QCOMPARE(listOf(window), QStringList{});  // nor a font list
        playIntro(window)->setChecked(true);
        bool visibleAtMessage = true;
        QByteArray storedAtMessage;
        t.dialogs.whileOpen = [&] {
            visibleAtMessage = window && window->isVisible();
            storedAtMessage = t.readFile(t.programFile("main.ini"));
        };
        proceed(window);
        QCOMPARE(t.dialogs.shown, QStringList{kChanges});
        QVERIFY(!visibleAtMessage);
        QCOMPARE(storedAtMessage, QByteArray("[MAIN]\r\nLSOUND=1\r\n"));
        QTRY_COMPARE(keeper.openWindows(), 0);
        QVERIFY(window.isNull());
        RunKeeper::setCurrent(nullptr);
    }

    void proceedUnchecked_storesZeroAndStaysOpen_orSaysWhenItCannotStore() {
        test::TestContext t;
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nLSOUND=1\r\n");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        playIntro(window)->setChecked(false);
        proceed(window);
        proceed(window);
        QCOMPARE(t.dialogs.shown, (QStringList{kChanges, kChanges}));
        QCOMPARE(t.readFile(t.programFile("main.ini")), QByteArray("[MAIN]\r\nLSOUND=0\r\n"));

        QVERIFY(QFile::remove(t.programFile("main.ini")) &&
                QDir().mkdir(t.programFile("main.ini")));
        playIntro(window)->setChecked(true);
        proceed(window);
        QCOMPARE(t.dialogs.shown.size(), 3);
        QVERIFY2(t.dialogs.shown[2].startsWith("message ERROR|") &&
                     t.dialogs.shown[2].contains(t.programFile("main.ini")),
                 qPrintable(t.dialogs.shown[2]));
        QTest::qWait(20);
        QVERIFY(window && window->isVisible());
    }

    void startAtLogin_writtenRemovedShown_andAFailureIsTold() {
        test::TestContext t;
        const QString entry = t.context.autostartEntry;
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        startAtLogin(window)->setChecked(true);
        proceed(window);
        QCOMPARE(t.dialogs.shown, QStringList{kChanges});
        QVERIFY(t.readFile(entry).contains("\nExec=tovrinkin\n"));
        QCOMPARE(t.readFile(t.programFile("main.ini")), QByteArray("[MAIN]\r\nLSOUND=0\r\n"));

        // Opening the window again shows the entry; unticking removes it.
        window->close();
        QTRY_VERIFY(window.isNull());
        window = OptionsWindow::open(t.context);
        QVERIFY(startAtLogin(window)->isChecked());
        startAtLogin(window)->setChecked(false);
        proceed(window);
        QVERIFY(!QFileInfo::exists(entry));

        // An entry that cannot be written is told, and the window stays.
        QVERIFY(QDir().mkpath(entry + "/in the way"));
        startAtLogin(window)->setChecked(true);
        t.dialogs.shown.clear();
        proceed(window);
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY2(t.dialogs.shown[0].startsWith("message ERROR|The start at login could not be "
                                               "set up in \"" +
                                               entry + "\": "),
                 qPrintable(t.dialogs.shown[0]));
        QVERIFY(window && window->isVisible());

        // Without a place for the entry the choice is not offered.
        window->close();
        QTRY_VERIFY(window.isNull());
        ProgramContext without = t.context;
        without.autostartEntry.clear();
        window = OptionsWindow::open(without);
        QVERIFY(!startAtLogin(window)->isVisible());
    }

    void openAgain_keepsUnsavedStateAndReopenReadsAfresh() {
        test::TestContext t;
        t.writeFile(t.programFile("fonts.cmd"), "Arial\nTahoma\n");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        playIntro(window)->setChecked(true);
        t.writeFile(t.programFile("fonts.cmd"), "Courier\n");
        QCOMPARE(OptionsWindow::open(t.context), window.data());
        QVERIFY(playIntro(window)->isChecked());
        QCOMPARE(listOf(window), (QStringList{"Arial", "Tahoma"}));

        window->close(); // the close box writes nothing
        QTRY_VERIFY(window.isNull());
        QVERIFY(!QFile::exists(t.programFile("main.ini")));
        window = OptionsWindow::open(t.context);
        QVERIFY(!playIntro(window)->isChecked());
        QCOMPARE(listOf(window), QStringList{"Courier"});
    }

    void hugeFontList_leavesTheWindowUsable() {
        test::TestContext t;
        QByteArray many;
        for (int i = 0; i < 100000; ++i)
            many += "Font " + QByteArray::number(i) + "\n";
        t.writeFile(t.programFile("fonts.cmd"), many);
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(fontList(window)->count(), 100000);
        fontList(window)->scrollToBottom();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
};

// The window's stored place reaches beyond the offscreen platform's default screen.
int main(int argc, char** argv) {
    test::useOffscreenScreen(QSize(1280, 1024));
    QApplication app(argc, argv);
    OptionsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "OptionsTest.moc"
