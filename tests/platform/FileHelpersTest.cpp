#include "platform/FileLookup.h"
#include "platform/RecordAppender.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;

namespace {
void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class FileHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void storedFileName_findsExactOtherCaseOrNothing() {
        QTemporaryDir dir;
        write(dir.filePath("tovrin.acs"), "x");
        write(dir.filePath("README.TXT"), "x");
        QCOMPARE(storedFileName(dir.filePath("tovrin.acs")), QString("tovrin.acs"));
        QCOMPARE(storedFileName(dir.filePath("TOVRIN.ACS")), QString("tovrin.acs"));
        QCOMPARE(storedFileName(dir.filePath("readme.txt")), QString("README.TXT"));
        QCOMPARE(storedFileName(dir.filePath("missing.txt")), QString());
        QCOMPARE(storedFileName(dir.filePath("nodir/tovrin.acs")), QString());
        QVERIFY(QDir(dir.path()).mkdir("sub.acs"));
        QCOMPARE(storedFileName(dir.filePath("sub.acs")), QString()); // a directory is no file
    }

    void copyReplacing_replacesTargetOrLeavesItOnFailure() {
        QTemporaryDir dir;
        write(dir.filePath("source"), "new content");
        write(dir.filePath("target"), "old");
        QString error;
        QVERIFY(copyReplacing(dir.filePath("source"), dir.filePath("target"), &error));
        QCOMPARE(read(dir.filePath("target")), QByteArray("new content"));

        QVERIFY(!copyReplacing(dir.filePath("absent"), dir.filePath("target"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(read(dir.filePath("target")), QByteArray("new content"));
        // A target inside a "directory" that is a file cannot be written.
        QVERIFY(!copyReplacing(dir.filePath("source"), dir.filePath("target/inner"), &error));
    }

    void appendRecord_writesWholeRecordsWithCrLf() {
        QTemporaryDir dir;
        const QString path = dir.filePath("log.tz");
        QString error;
        QVERIFY(appendRecord(path, {"=====", "hello", ""}, &error));
        QVERIFY(appendRecord(path, {QString::fromUtf8("Zoë")}, &error));
        QCOMPARE(read(path), QByteArray("=====\r\nhello\r\n\r\nZo\xc3\xab\r\n"));
    }

    void appendRecord_reportsFailures() {
        QTemporaryDir dir;
        write(dir.filePath("file"), "x");
        QString error;
        QVERIFY(!appendRecord(dir.filePath("file/log.tz"), {"a"}, &error));
        QVERIFY(!error.isEmpty());
        if (QFile::exists("/dev/full")) {
            error.clear();
            QVERIFY(!appendRecord("/dev/full", {"a full disk"}, &error));
            QVERIFY(!error.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(FileHelpersTest)
#include "FileHelpersTest.moc"
