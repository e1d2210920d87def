#include "utilities/ReadmeViewer.h"

#include "TestContext.h"

#include <QtTest>

using namespace tk;

class ReadmeViewerTest : public QObject {
    Q_OBJECT
private slots:
    void checkread_startsTheOpenerOncePerCall() {
        test::TestContext t;
        t.writeFile(t.programFile("readme.txt"), "Read me.\r\n");
        QCOMPARE(ReadmeViewer::checkread(t.context), ReadmeViewer::Outcome::Opened);
        QCOMPARE(ReadmeViewer::checkread(t.context), ReadmeViewer::Outcome::Opened);
        const QString start = "xdg-open|" + t.programFile("readme.txt");
        QCOMPARE(t.launcher.starts, QStringList({start, start}));
        QVERIFY(t.dialogs.shown.isEmpty());
    }

    void checkread_withoutExactlyReadmeTxt_saysItIsMissing_data() {
        QTest::addColumn<QString>("storedAs"); // "" = no file
        QTest::newRow("missing") << QString();
        QTest::newRow("upper case") << QString("README.TXT");
        QTest::newRow("mixed case") << QString("ReadMe.txt");
        QTest::newRow("other name") << QString("readme.txt.bak");
    }
    void checkread_withoutExactlyReadmeTxt_saysItIsMissing() {
        QFETCH(QString, storedAs);
        test::TestContext t;
        if (!storedAs.isEmpty())
            t.writeFile(t.programFile(storedAs), "Read me.\r\n");
        QCOMPARE(ReadmeViewer::checkread(t.context), ReadmeViewer::Outcome::Missing);
        QCOMPARE(t.dialogs.shown, QStringList{"message tovrinkin|Can't find the read me file!"});
        QVERIFY(t.launcher.starts.isEmpty());
    }

    void checkread_pathWithBlanksAndShellCharacters_reachesTheOpenerWhole() {
        test::TestContext t;
        const QString dir = t.root.filePath("my files; $(rm -rf x) & `id` 'q' \"dq\" *?");
        t.writeFile(dir + "/readme.txt", "Read me.\r\n");
        const ProgramContext odd = t.withProgramDir(dir);
        QCOMPARE(ReadmeViewer::checkread(odd), ReadmeViewer::Outcome::Opened);
        QCOMPARE(t.launcher.starts, QStringList{"xdg-open|" + dir + "/readme.txt"});
    }

    void checkread_openerThatCannotStart_isReported() {
        test::TestContext t;
        t.writeFile(t.programFile("readme.txt"), "Read me.\r\n");
        t.launcher.failWith = "No such file or directory";
        QCOMPARE(ReadmeViewer::checkread(t.context), ReadmeViewer::Outcome::StartFailed);
        QCOMPARE(t.dialogs.shown.size(), 1);
        const QString shown = t.dialogs.shown.first();
        QVERIFY2(shown.startsWith("message ERROR|"), qPrintable(shown));
        QVERIFY(shown.contains(t.programFile("readme.txt")));
        QVERIFY(shown.contains("No such file or directory"));
    }
};

QTEST_GUILESS_MAIN(ReadmeViewerTest)
#include "ReadmeViewerTest.moc"
