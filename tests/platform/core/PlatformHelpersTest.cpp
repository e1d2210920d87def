#include "TestContext.h"
#include "platform/core/FileChannels.h"
#include "platform/core/FileLookup.h"
#include "platform/core/VersionText.h"

#include <QtTest>

using namespace tk;
using test::TestContext;

class PlatformHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void storedFileName_findsExactOtherCaseOrNothing() {
        QTemporaryDir dir;
        TestContext::writeFile(dir.filePath("tovrin.acs"), "x");
        TestContext::writeFile(dir.filePath("README.TXT"), "x");
        QVERIFY(QDir(dir.path()).mkdir("sub.acs"));
        QCOMPARE(storedFileName(dir.filePath("tovrin.acs")), QString("tovrin.acs"));
        QCOMPARE(storedFileName(dir.filePath("TOVRIN.ACS")), QString("tovrin.acs"));
        QCOMPARE(storedFileName(dir.filePath("readme.txt")), QString("README.TXT"));
        QCOMPARE(storedFileName(dir.filePath("missing.txt")), QString());
        QCOMPARE(storedFileName(dir.filePath("nodir/tovrin.acs")), QString());
        QCOMPARE(storedFileName(dir.filePath("sub.acs")), QString()); // a directory is no file
    }

    void copyReplacing_replacesTargetOrLeavesItOnFailure() {
        QTemporaryDir dir;
        TestContext::writeFile(dir.filePath("source"), "new content");
        TestContext::writeFile(dir.filePath("target"), "old");
        QString error;
        QCOMPARE(copyReplacing(dir.filePath("source"), dir.filePath("target")).message(),
                 QString());
        QCOMPARE(TestContext::readFile(dir.filePath("target")), QByteArray("new content"));
        error = copyReplacing(dir.filePath("absent"), dir.filePath("target")).message();
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestContext::readFile(dir.filePath("target")), QByteArray("new content"));
        error = copyReplacing(dir.filePath("source"), dir.filePath("target/inner")).message();
        QVERIFY(!error.isEmpty());
    }

    void versionText_data() {
        QTest::addColumn<QList<int>>("version");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, QList<int> v, const char* locale, const char* text) {
            QTest::newRow(name) << v << QString(locale) << QString(text);
        };
        row("1.0.0", {1, 0, 0}, "en_US", "1");
        row("1.2.3", {1, 2, 3}, "en_US", "1.23");
        row("1.12.0 carries", {1, 12, 0}, "en_US", "2.2");
        row("1.0.25 carries", {1, 0, 25}, "en_US", "1.25");
        row("decimal comma", {1, 2, 5}, "de_DE", "1,25");
        row("no group separator", {1234, 0, 0}, "en_US", "1234");
    }
    void versionText() {
        QFETCH(QList<int>, version);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(tk::versionText(version[0], version[1], version[2], QLocale(locale)), expected);
    }

    void fileChannels_takeLowestFreeNumber() {
        FileChannels channels;
        {
            ChannelLease first = channels.acquireLowest();
            ChannelLease fixed = channels.acquireFixed(2);
            QCOMPARE(first.number(), 1);
            QCOMPARE(channels.acquireLowest().number(), 3);
        }
        QVERIFY(!channels.isHeld(1) && !channels.isHeld(2));
        ChannelLease again = channels.acquireLowest();
        QCOMPARE(again.number(), 1);
        {
            ChannelLease moved = std::move(again);
            QVERIFY(channels.isHeld(1));
        }
        QVERIFY(!channels.isHeld(1));
    }
};

QTEST_GUILESS_MAIN(PlatformHelpersTest)
#include "PlatformHelpersTest.moc"
