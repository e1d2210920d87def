#include "TestContext.h"
#include "options/FontList.h"
#include "options/IntroSoundSetting.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

using namespace tk;

class OptionsSettingsTest : public QObject {
    Q_OBJECT
private slots:
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
        QCOMPARE(test::TestContext::readFile(t.programFile("main.ini")), ini); // nothing written
    }

    void fontList_keepsEachLineAsAnEntry_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("entries");
        const QStringList three{"Arial", "", "Tahoma"};
        QTest::newRow("crlf") << QByteArray("Arial\r\n\r\nTahoma\r\n") << three;
        QTest::newRow("no final end") << QByteArray("Arial\r\n\r\nTahoma") << three;
        QTest::newRow("mixed") << QByteArray("A\rB\nC\r\n\n D \r")
                               << QStringList{"A", "B", "C", "", " D "};
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

    void fontList_missingOrNoFileGivesNoEntries() {
        test::TestContext t;
        QCOMPARE(FontList::read(t.programFile("fonts.cmd"), t.channels), QStringList{});
        QVERIFY(QDir().mkdir(t.programFile("fonts.cmd")));
        QCOMPARE(FontList::read(t.programFile("fonts.cmd"), t.channels), QStringList{});
        QCOMPARE(FontList::read("/dev/zero", t.channels), QStringList{}); // would never end
    }

    void fontList_hugeOrJunkFilesStayWithinBounds() {
        test::TestContext t;
        const QString path = t.programFile("fonts.cmd");
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
};

QTEST_GUILESS_MAIN(OptionsSettingsTest)
#include "OptionsSettingsTest.moc"
