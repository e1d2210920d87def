#include "options/OptionsWindow.h"

#include "OffscreenScreen.h"
#include "TestContext.h"
#include "platform/RunKeeper.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tk;

namespace {

template <typename T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QStringList listOf(QWidget* window) {
    auto* list = child<QListWidget>(window, "List1");
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return items;
}

bool checked(QWidget* window) {
    return child<QCheckBox>(window, "play_intro")->isChecked();
}

void proceed(QWidget* window) {
    QTest::mouseClick(child<QPushButton>(window, "proc"), Qt::LeftButton);
}

QByteArray storedSetting(const test::TestContext& t) {
    return test::TestContext::readFile(t.programFile("main.ini"));
}

const QString kChanges = "message tovrinkin|Changes detected.";

} // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    // A test that failed half-way leaves no window behind for the next one.
    void cleanup() { delete OptionsWindow::current(); }

    void open_showsTheStoredSettingAndTheFontList() {
        test::TestContext t;
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nLSOUND=1\r\n");
        t.writeFile(t.programFile("fonts.cmd"), "Arial\r\n\r\nTahoma");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QCOMPARE(window->objectName(), QString("opti"));
        QCOMPARE(window->windowTitle(), QString("Options"));
        QCOMPARE(window->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!(window->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window->font().family(), QString("Arial"));
        QCOMPARE(window->font().pointSizeF(), 9.75);
        QCOMPARE(window->geometry(), QRect(300, 311, 615, 312));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(child<QCheckBox>(window, "play_intro")->parentWidget(),
                 child<QGroupBox>(window, "loadp"));
        QCOMPARE(child<QListWidget>(window, "List1")->parentWidget(), window.data());
        QCOMPARE(child<QListWidget>(window, "List1")->geometry(), QRect(296, 24, 257, 20));
        QVERIFY(child<QGroupBox>(window, "Frame1")->children().isEmpty());

        QVERIFY(checked(window));
        QCOMPARE(listOf(window), (QStringList{"Arial", "", "Tahoma"}));
        QCOMPARE(t.dialogs.shown, QStringList{});
        // Focus goes check box, Proceed, list.
        child<QCheckBox>(window, "play_intro")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>(window, "proc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QListWidget>(window, "List1"));
        // Enter and Escape do not press Proceed.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!QFile::exists(t.programFile("main.ini.tmp")));
        QCOMPARE(t.dialogs.shown, QStringList{});
        delete window;
    }

    void proceedChecked_storesOneClosesThenTells() {
        test::TestContext t;
        RunKeeper keeper;
        RunKeeper::setCurrent(&keeper);
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QVERIFY(!checked(window)); // no settings file yet
        QCOMPARE(keeper.openWindows(), 1);
        child<QCheckBox>(window, "play_intro")->setChecked(true);
        bool visibleAtMessage = true;
        QByteArray storedAtMessage;
        t.dialogs.whileOpen = [&] {
            visibleAtMessage = window && window->isVisible();
            storedAtMessage = storedSetting(t);
        };
        proceed(window);

        QCOMPARE(t.dialogs.shown, QStringList{kChanges});
        QVERIFY(!visibleAtMessage);
        QCOMPARE(storedAtMessage, QByteArray("[MAIN]\r\nLSOUND=1\r\n"));
        QTRY_VERIFY(window.isNull());
        QTRY_COMPARE(keeper.openWindows(), 0);
        RunKeeper::setCurrent(nullptr);
    }

    void proceedUnchecked_storesZeroAndStaysOpen() {
        test::TestContext t;
        t.writeFile(t.programFile("main.ini"), "[MAIN]\r\nLSOUND=1\r\n");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        child<QCheckBox>(window, "play_intro")->setChecked(false);
        proceed(window);
        proceed(window);

        QCOMPARE(t.dialogs.shown, (QStringList{kChanges, kChanges}));
        QCOMPARE(storedSetting(t), QByteArray("[MAIN]\r\nLSOUND=0\r\n"));
        QTest::qWait(20);
        QVERIFY(window && window->isVisible());
        delete window;
    }

    void proceedThatCannotStore_saysSoAndStaysOpen() {
        test::TestContext t;
        QVERIFY(QDir().mkdir(t.programFile("main.ini")));
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        child<QCheckBox>(window, "play_intro")->setChecked(true);
        proceed(window);

        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY2(t.dialogs.shown[0].startsWith("message ERROR|") &&
                     t.dialogs.shown[0].contains(t.programFile("main.ini")),
                 qPrintable(t.dialogs.shown[0]));
        QTest::qWait(20);
        QVERIFY(window && window->isVisible());
        delete window;
    }

    void openAgain_keepsUnsavedStateAndReopenReadsAfresh() {
        test::TestContext t;
        t.writeFile(t.programFile("fonts.cmd"), "Arial\nTahoma\n");
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        child<QCheckBox>(window, "play_intro")->setChecked(true);
        t.writeFile(t.programFile("fonts.cmd"), "Courier\n");

        QCOMPARE(OptionsWindow::open(t.context), window.data());
        QVERIFY(checked(window));
        QCOMPARE(listOf(window), (QStringList{"Arial", "Tahoma"}));

        window->close(); // the close box writes nothing
        QTRY_VERIFY(window.isNull());
        QVERIFY(!QFile::exists(t.programFile("main.ini")));
        window = OptionsWindow::open(t.context);
        QVERIFY(!checked(window));
        QCOMPARE(listOf(window), QStringList{"Courier"});
        delete window;
    }

    void missingOrHugeFontList_leavesTheWindowUsable() {
        test::TestContext t;
        QPointer<OptionsWindow> window = OptionsWindow::open(t.context);
        QCOMPARE(listOf(window), QStringList{});
        proceed(window);
        QCOMPARE(t.dialogs.shown, QStringList{kChanges});
        delete window;

        QByteArray many;
        for (int i = 0; i < 100000; ++i)
            many += "Font " + QByteArray::number(i) + "\n";
        t.writeFile(t.programFile("fonts.cmd"), many);
        window = OptionsWindow::open(t.context);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* list = child<QListWidget>(window, "List1");
        QCOMPARE(list->count(), 100000);
        list->scrollToBottom();
        QTest::qWait(20);
        delete window;
    }
};

// The window's stored place reaches beyond the offscreen platform's default screen.
int main(int argc, char** argv) {
    test::useOffscreenScreen(QSize(1280, 1024));
    QApplication app(argc, argv);
    OptionsWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "OptionsWindowTest.moc"
