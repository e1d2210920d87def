#include "utilities/SystemReport.h"

#include "TestContext.h"

#include <QFile>
#include <QtTest>

using namespace tk;

namespace {
QByteArray expectedRecord(const test::TestContext& t, const QByteArray& sizeText) {
    return QByteArray(18, '=') + t.clock.shortDateText().toUtf8() + QByteArray(20, '=') +
           "\r\n\r\nPATH: " + t.context.programDir.toUtf8() + "\r\n" + sizeText + " Bytes\r\n" +
           QByteArray(14, '=') + "1" + QByteArray(14, '=') + "\r\n";
}
} // namespace

class SystemReportTest : public QObject {
    Q_OBJECT
private slots:
    void cek_appendsOneFiveLineRecordPerStart() {
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, QByteArray(2176, 'x'));
        const QString report = t.programFile("winlog.tz");

        const SystemReport::Result first = SystemReport::cek(t.context);
        QCOMPARE(first.outcome, SystemReport::Outcome::Written);
        QCOMPARE(first.reportPath, report);
        const QByteArray firstRecord = expectedRecord(t, "2176");
        t.clock.current = t.clock.current.addDays(1);
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::Written);

        QCOMPARE(t.readFile(report), firstRecord + expectedRecord(t, "2176"));
        QVERIFY(!t.channels.isHeld(1) && !t.channels.isHeld(2)); // nothing stays open
    }

    void cek_writesTheTrueSize_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("16-bit limit") << qint64(32767);
        QTest::newRow("beyond 16 bits") << qint64(32768);
        QTest::newRow("beyond 32 bits") << qint64(5'000'000'000);
    }
    void cek_writesTheTrueSize() {
        QFETCH(qint64, size);
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, {});
        QFile file(t.context.systemSettingsFile);
        QVERIFY(file.resize(size)); // sparse: no disk space used
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::Written);
        QCOMPARE(t.readFile(t.programFile("winlog.tz")),
                 expectedRecord(t, QByteArray::number(size)));
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
        const QString dir = QFileInfo(t.context.systemSettingsFile).absolutePath();
        if (storedAs == "/")
            QVERIFY(QDir().mkpath(t.context.systemSettingsFile));
        else if (!storedAs.isEmpty())
            t.writeFile(dir + "/" + storedAs, "NAME=x\n");
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::NoSystemSettingsFile);
        QVERIFY(!QFile::exists(t.programFile("winlog.tz")));
        QVERIFY(t.dialogs.shown.isEmpty());
    }

    void cek_reportThatCannotBeWritten_isFailureWithReason() {
        test::TestContext t;
        t.writeFile(t.context.systemSettingsFile, "NAME=x\n");
        // The program directory lies under a regular file: nothing can be created there.
        t.writeFile(t.root.filePath("plain-file"), "x");
        const ProgramContext blocked = t.withProgramDir(t.root.filePath("plain-file/program"));
        const SystemReport::Result result = SystemReport::cek(blocked);
        QCOMPARE(result.outcome, SystemReport::Outcome::WriteFailed);
        QCOMPARE(result.reportPath, t.root.filePath("plain-file/program/winlog.tz"));
        QVERIFY(!result.error.isEmpty());
        QVERIFY(t.dialogs.shown.isEmpty()); // telling the user is the caller's part

        // A full disk: the record is not reported as written.
        QVERIFY(QFile::link("/dev/full", t.programFile("winlog.tz")));
        QCOMPARE(SystemReport::cek(t.context).outcome, SystemReport::Outcome::WriteFailed);
    }
};

QTEST_GUILESS_MAIN(SystemReportTest)
#include "SystemReportTest.moc"
