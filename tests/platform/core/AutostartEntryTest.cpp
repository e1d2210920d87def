// The desktop entry that starts the program at login: where it lives, what its
// Exec line says for awkward paths, and writing, showing and removing it.
#include "platform/core/AutostartEntry.h"

#include "TestContext.h"

#include <QtTest>

using namespace tk;
using test::TestContext;

class AutostartEntryTest : public QObject {
    Q_OBJECT
private slots:
    void whereAndWhat() {
        QCOMPARE(AutostartEntry::entryPath("/cfg", "/home/u"),
                 QString("/cfg/autostart/tovrinkin.desktop"));
        QCOMPARE(AutostartEntry::entryPath("", "/home/u"),
                 QString("/home/u/.config/autostart/tovrinkin.desktop"));
        QCOMPARE(AutostartEntry::entryPath("cfg", "/home/u"),
                 QString("/home/u/.config/autostart/tovrinkin.desktop"));

        QTemporaryDir dir;
        const QString exe = dir.filePath("bin/tovrinkin");
        TestContext::writeFile(exe, "x");
        QVERIFY(QFile::link(exe, dir.filePath("link")));
        // Found on PATH (even through a link): started by name.
        QCOMPARE(AutostartEntry::launchCommand(exe, dir.filePath("link"), ""),
                 QStringList{"tovrinkin"});
        // Not on PATH, or another program of that name first: by absolute path.
        QCOMPARE(AutostartEntry::launchCommand(exe, "", ""), QStringList{exe});
        QCOMPARE(AutostartEntry::launchCommand(exe, "/usr/bin/tovrinkin", "/my dir"),
                 (QStringList{exe, "--program-dir", "/my dir"}));
    }

    void execValue_data() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("exec"); // as it stands in the file
        QTest::newRow("name") << QStringList{"tovrinkin"} << "tovrinkin";
        QTest::newRow("blank") << QStringList{"/home/u/My Apps/tovrinkin"}
                               << "\"/home/u/My Apps/tovrinkin\"";
        QTest::newRow("shell characters")
            << QStringList{"/a$b/c`d`/e\"f\"/tk"} << "\"/a\\\\$b/c\\\\`d\\\\`/e\\\\\"f\\\\\"/tk\"";
        QTest::newRow("backslash") << QStringList{"/a\\b/tk"} << "\"/a\\\\\\\\b/tk\"";
        QTest::newRow("percent") << QStringList{"/100%/tk", "--program-dir", "/d %f"}
                                 << "/100%%/tk --program-dir \"/d %%f\"";
        QTest::newRow("quote and tilde") << QStringList{"/it's/~tk"} << "\"/it's/~tk\"";
        QTest::newRow("empty argument") << QStringList{"tk", ""} << "tk \"\"";
        QTest::newRow("line end") << QStringList{"/a\nb/tk"} << "\"/a\\nb/tk\"";
    }
    void execValue() {
        QFETCH(QStringList, command);
        QTEST(AutostartEntry::execValue(command), "exec");
    }

    void writeShowRemove() {
        QTemporaryDir dir;
        const AutostartEntry entry(dir.filePath("config/autostart/tovrinkin.desktop"),
                                   {"/opt/tk dir/tovrinkin"});
        QVERIFY(!entry.isOn());
        QVERIFY(entry.remove().isOk()); // nothing to remove is no failure
        QVERIFY(entry.write().isOk());
        QVERIFY(entry.isOn());
        QCOMPARE(TestContext::readFile(entry.path()),
                 QByteArray("[Desktop Entry]\nType=Application\nName=Tovrin Kin\n"
                            "Comment=Tovrin greets you when you log in\n"
                            "Exec=\"/opt/tk dir/tovrinkin\"\nIcon=tovrinkin\nTerminal=false\n"));
        QVERIFY(entry.remove().isOk());
        QVERIFY(!QFileInfo::exists(entry.path()));

        // An entry the desktop switched off counts as off.
        TestContext::writeFile(entry.path(), "[Desktop Entry]\nExec=tovrinkin\nHidden = true\n");
        QVERIFY(!entry.isOn());
        TestContext::writeFile(entry.path(),
                               "[Desktop Entry]\nExec=tovrinkin\n[Other]\nHidden=true\n");
        QVERIFY(entry.isOn());

        // A file where the directory should be: the failure is told.
        const AutostartEntry blocked(dir.filePath("config/autostart/tovrinkin.desktop/x.desktop"),
                                     {"tovrinkin"});
        QVERIFY(!blocked.write().isOk());
    }
};

QTEST_MAIN(AutostartEntryTest)
#include "AutostartEntryTest.moc"
