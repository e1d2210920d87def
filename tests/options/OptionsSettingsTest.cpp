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
        const QString path = t.programFile("main.ini");
        if (!ini.isNull())
            t.writeFile(path, ini);
        QCOMPARE(IntroSoundSetting::isOn(t.context.programDir), on);
        // Reading writes nothing back.
        QCOMPARE(QFile::exists(path), !ini.isNull());
        if (!ini.isNull())
            QCOMPARE(test::TestContext::readFile(path), ini);
    }

    void introSound_storeWritesOneOrZeroAndReportsFailure() {
        test::TestContext t;
        const QString path = t.programFile("main.ini");
        t.writeFile(path, "[USER]\r\nNAME=Sam\r\n[MAIN]\r\nLSOUND=0\r\n");
        QVERIFY(IntroSoundSetting::store(t.context.programDir, true));
        QCOMPARE(test::TestContext::readFile(path),
                 QByteArray("[USER]\r\nNAME=Sam\r\n[MAIN]\r\nLSOUND=1\r\n"));
        QVERIFY(IntroSoundSetting::store(t.context.programDir, false));
        QCOMPARE(test::TestContext::readFile(path),
                 QByteArray("[USER]\r\nNAME=Sam\r\n[MAIN]\r\nLSOUND=0\r\n"));

        test::TestContext blocked;
        QVERIFY(QDir().mkdir(blocked.programFile("main.ini")));
        QVERIFY(!IntroSoundSetting::store(blocked.context.programDir, true));
    }

    void fontList_keepsEachLineAsAnEntry_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("crlf") << QByteArray("Arial\r\n\r\nTahoma\r\n")
                              << QStringList{"Arial", "", "Tahoma"};
        QTest::newRow("no final end")
            << QByteArray("Arial\r\n\r\nTahoma") << QStringList{"Arial", "", "Tahoma"};
        QTest::newRow("mixed ends")
            << QByteArray("A\rB\nC\r\n\n D \r") << QStringList{"A", "B", "C", "", " D "};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("empty file") << QByteArray("") << QStringList{};
        QTest::newRow("utf-8") << QByteArray("Zo\xc3\xab Sans\n") << QStringList{"Zoë Sans"};
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
        // A device would never end; it is no font list.
        QCOMPARE(FontList::read("/dev/zero", t.channels), QStringList{});
    }

    void fontList_hugeOrJunkFilesStayWithinBounds() {
        test::TestContext t;
        const QString path = t.programFile("fonts.cmd");
        QByteArray many;
        for (int i = 0; i < 100000; ++i)
            many += "Font " + QByteArray::number(i) + "\r\n";
        t.writeFile(path, many);
        QStringList entries = FontList::read(path, t.channels);
        QCOMPARE(entries.size(), 100000);
        QCOMPARE(entries.last(), QString("Font 99999"));

        t.writeFile(path, QByteArray(FontList::kMaxEntries + 10, '\n'));
        QCOMPARE(FontList::read(path, t.channels).size(), FontList::kMaxEntries);

        // One endless line, then a line cut by the byte bound.
        QByteArray longLines = "x\n" + QByteArray(5000, 'y') + "\n";
        longLines += QByteArray(FontList::kMaxBytes, 'z');
        t.writeFile(path, longLines);
        entries = FontList::read(path, t.channels);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[1], QString(FontList::kMaxEntryLength, 'y'));

        QByteArray junk(4 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(7);
        generator.fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
        t.writeFile(path, junk);
        entries = FontList::read(path, t.channels);
        QVERIFY(!entries.isEmpty() && entries.size() <= FontList::kMaxEntries);
        for (const QString& entry : entries)
            QVERIFY(entry.size() <= FontList::kMaxEntryLength);
    }
};

QTEST_GUILESS_MAIN(OptionsSettingsTest)
#include "OptionsSettingsTest.moc"
