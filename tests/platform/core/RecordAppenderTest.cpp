#include "platform/core/RecordAppender.h"

#include "FileSizeLimit.h"
#include "TestContext.h"

#include <QtTest>

using namespace tk;
using test::TestContext;

class RecordAppenderTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_log;

private slots:
    void init() {
        m_log = m_dir.filePath("log.tz");
        QFile::remove(m_log);
        QFile::remove(appendJournalPath(m_log));
    }

    void appends_wholeRecordsWithCrLf_orReportsFailure() {
        QString error;
        QCOMPARE(appendRecord(m_log, {"=====", "hello", ""}).message(), QString());
        QCOMPARE(appendRecord(m_log, {QString::fromUtf8("Zoë")}).message(), QString());
        QCOMPARE(TestContext::readFile(m_log), QByteArray("=====\r\nhello\r\n\r\nZo\xc3\xab\r\n"));
        QVERIFY(!QFile::exists(appendJournalPath(m_log)));
        error = appendRecord(m_log + "/inner", {"a"}).message();
        QVERIFY(!error.isEmpty());
    }

    // A disk that fills up in the middle of a record: the part written is cut
    // away again and the failure reported; the next record lands whole.
    void shortWrite_isCutBackToTheOldLength() {
        TestContext::writeFile(m_log, "first\r\n");
        QString error;
        {
            test::FileSizeLimit limit(20);
            error = appendRecord(m_log, {QString(5000, 'x'), "end"}).message();
        }
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestContext::readFile(m_log), QByteArray("first\r\n"));
        QVERIFY(!QFile::exists(appendJournalPath(m_log)));
        QCOMPARE(appendRecord(m_log, {"second"}).message(), QString());
        QCOMPARE(TestContext::readFile(m_log), QByteArray("first\r\nsecond\r\n"));
    }

    // What a writer killed in the middle of its record leaves behind: the file
    // (old records, then part of the new one) and the journal naming the old
    // length and the record's length.
    void interruptedAppend_isRepairedByTheNextOne_data() {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("journal");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray old = "old\r\n";
        const QByteArray next = "next\r\n";
        QTest::newRow("torn mid-line")
            << old + "=====\r\nhal" << QByteArray("5 20\n") << old + next;
        QTest::newRow("torn at a line end") << old + "=====\r\n"
                                            << QByteArray("5 20\n") << old + next;
        QTest::newRow("killed before writing") << old << QByteArray("5 20\n") << old + next;
        QTest::newRow("killed after a whole record")
            << old + "=====\r\n"
            << QByteArray("5 7\n") << old + "=====\r\n" + next;
        QTest::newRow("killed while noting the journal") << old << QByteArray("") << old + next;
        QTest::newRow("journal of a file since emptied")
            << QByteArray() << QByteArray("5 20\n") << next;
    }
    void interruptedAppend_isRepairedByTheNextOne() {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, journal);
        QFETCH(QByteArray, expected);
        TestContext::writeFile(m_log, left);
        TestContext::writeFile(appendJournalPath(m_log), journal);
        QCOMPARE(appendRecord(m_log, {"next"}).message(), QString());
        QCOMPARE(TestContext::readFile(m_log), expected);
        QVERIFY(!QFile::exists(appendJournalPath(m_log)));
    }

    // A tail without a line end that no journal explains (written by hand or by
    // another program) is kept, and the record starts on a line of its own.
    void foreignTailWithoutLineEnd_getsOneBeforeTheRecord() {
        TestContext::writeFile(m_log, "================");
        QCOMPARE(appendRecord(m_log, {"next"}).message(), QString());
        QCOMPARE(TestContext::readFile(m_log), QByteArray("================\r\nnext\r\n"));
        TestContext::writeFile(m_log, "half\r");
        QCOMPARE(appendRecord(m_log, {"next"}).message(), QString());
        QCOMPARE(TestContext::readFile(m_log), QByteArray("half\r\nnext\r\n"));
    }
};

QTEST_GUILESS_MAIN(RecordAppenderTest)
#include "RecordAppenderTest.moc"
