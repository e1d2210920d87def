#include "TestContext.h"
#include "utilities/ReadmeViewer.h"
#include "utilities/SystemReport.h"

#include <QtTest>

using namespace tk;

namespace {
QByteArray reportRecord(const test::TestContext& t, const QByteArray& sizeText) {
    return QByteArray(18, '=') + t.clock.shortDateText().toUtf8() + QByteArray(20, '=') +
           "\r\n\r\nPATH: " + t.context.programDir.toUtf8() + "\r\n" + sizeText + " Bytes\r\n" +
           QByteArray(14, '=') + "1" + QByteArray(14, '=') + "\r\n";
}
} // namespace

class UtilitiesTest : public QObject {
    Q_OBJECT
private slots:
    void checkread_givesTheOpenerThePathWhole_oncePerCall() {
        test::TestContext t;
        const QString dir = t.root.filePath("my files; $(rm -rf x) & `id` 'q' \"dq\" *?");
        t.writeFile(dir + "/readme.txt", "Read me.\r\n");
        const ProgramContext odd = t.withProgramDir(dir);
        QCOMPARE(ReadmeViewer::checkread(odd), ReadmeViewer::Outcome::Opened);
        QCOMPARE(ReadmeViewer::checkread(odd), ReadmeViewer::Outcome::Opened);
        const QString start = "xdg-open|" + dir + "/readme.txt";
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

    void checkread_openerThatCannotStart_isReported() {
        test::TestContext t;
        t.writeFile(t.programFile("readme.txt"), "Read me.\r\n");
        t.launcher.failWith = "No such file or directory";
        QCOMPARE(ReadmeViewer::checkread(t.context), ReadmeViewer::Outcome::StartFailed);
        QCOMPARE(t.dialogs.shown.size(), 1);
        const QString shown = t.dialogs.shown.first();
        QVERIFY2(shown.startsWith("message ERROR|") &&
                     shown.contains(t.programFile("readme.txt")) &&
                     shown.contains("No such file or directory"),
                 qPrintable(shown));
    }

    // One five-line record per start, appended, with the settings file's true size.
    void cek_appendsOneRecordPerStartWithTheTrueSize_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("16-bit limit") << qint64(32767);
        QTest::newRow("beyond 16 bits") << qint64(32768);
        QTest::newRow("beyond 32 bits") << qint64(5'000'000'000);
    }
    void cek_appendsOneRecordPerStartWithTheTrueSize() {
        QFETCH(qint64, size);
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, {});
        QVERIFY(QFile(t.context.systemSettingsFile).resize(size)); // sparse: no disk space used
        const SystemReport::Result first = SystemReport::cek(t.context);
        QCOMPARE(first.outcome, SystemReport::Outcome::Written);
        QCOMPARE(first.reportPath, t.programFile("winlog.tz"));
        const QByteArray firstRecord = reportRecord(t, QByteArray::number(size));
        t.clock.current = t.clock.current.addDays(1);
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::Written);
        QCOMPARE(t.readFile(first.reportPath),
                 firstRecord + reportRecord(t, QByteArray::number(size)));
        QVERIFY(!t.channels.isHeld(1) && !t.channels.isHeld(2)); // nothing stays open
    }

    void cek_withoutTheExactlyNamedSettingsFile_writesNothing_data() {
        QTest::addColumn<QString>("storedAs"); // "" = no file, "/" = a directory
        QTest::newRow("missing") << QString();
        QTest::newRow("upper case") << QString("OS-RELEASE");
        QTest::newRow("other capitals") << QString("Os-Release");
        QTest::newRow("a directory") << QString("/");
    }
    void cek_withoutTheExactlyNamedSettingsFile_writesNothing() {
        QFETCH(QString, storedAs);
        test::TestContext t;
        if (storedAs == "/")
            QVERIFY(QDir().mkpath(t.context.systemSettingsFile));
        else if (!storedAs.isEmpty())
            t.writeFile(t.root.filePath("etc/" + storedAs), "NAME=x\n");
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::NoSystemSettingsFile);
        QVERIFY(!QFile::exists(t.programFile("winlog.tz")));
        QVERIFY(t.dialogs.shown.isEmpty());
    }

    void cek_reportThatCannotBeWritten_isFailureWithReason() {
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, "NAME=x\n");
        // The program directory lies under a regular file: nothing can be created there.
        t.writeFile(t.root.filePath("plain-file"), "x");
        const SystemReport::Result result =
            SystemReport::cek(t.withProgramDir(t.root.filePath("plain-file/program")));
        QCOMPARE(result.outcome, SystemReport::Outcome::WriteFailed);
        QCOMPARE(result.reportPath, t.root.filePath("plain-file/program/winlog.tz"));
        QVERIFY(!result.error.isEmpty());
        QVERIFY(t.dialogs.shown.isEmpty()); // telling the user is the caller's part
        // A full disk: the record is not reported as written.
        QVERIFY(QFile::link("/dev/full", t.programFile("winlog.tz")));
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::WriteFailed);
    }
};

QTEST_GUILESS_MAIN(UtilitiesTest)
#include "UtilitiesTest.moc"
