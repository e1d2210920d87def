#include "platform/FileChannels.h"
#include "platform/TextLines.h"
#include "platform/VersionText.h"

#include <QtTest>

using namespace tk;

class TextHelpersTest : public QObject {
    Q_OBJECT
private slots:
    void splitTextLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("Arial\r\n\r\nTahoma\r\n")
                              << QStringList{"Arial", "", "Tahoma"};
        QTest::newRow("no final end")
            << QByteArray("Arial\r\n\r\nTahoma") << QStringList{"Arial", "", "Tahoma"};
        QTest::newRow("mixed ends")
            << QByteArray("a\nb\rc\r\n\nd") << QStringList{"a", "b", "c", "", "d"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("only line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("blanks kept") << QByteArray("  x \r\n") << QStringList{"  x "};
        QTest::newRow("utf8") << QByteArray("Zo\xc3\xab\n")
                              << QStringList{QString::fromUtf8("Zoë")};
    }
    void splitTextLines() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, lines);
        QCOMPARE(tk::splitTextLines(text), lines);
    }

    void versionText_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.0.0") << 1 << 0 << 0 << "en_US"
                               << "1";
        QTest::newRow("1.2.3") << 1 << 2 << 3 << "en_US"
                               << "1.23";
        QTest::newRow("1.12.0 carries") << 1 << 12 << 0 << "en_US"
                                        << "2.2";
        QTest::newRow("1.0.25 carries") << 1 << 0 << 25 << "en_US"
                                        << "1.25";
        QTest::newRow("decimal comma") << 1 << 2 << 5 << "de_DE"
                                       << "1,25";
        QTest::newRow("no group separator") << 1234 << 0 << 0 << "en_US"
                                            << "1234";
    }
    void versionText() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(tk::versionText(major, minor, revision, QLocale(locale)), expected);
    }

    void fileChannels_takeLowestFreeNumber() {
        FileChannels channels;
        {
            ChannelLease first = channels.acquireLowest();
            QCOMPARE(first.number(), 1);
            ChannelLease fixed = channels.acquireFixed(2);
            ChannelLease third = channels.acquireLowest();
            QCOMPARE(third.number(), 3);
        }
        QVERIFY(!channels.isHeld(1));
        QVERIFY(!channels.isHeld(2));
        ChannelLease again = channels.acquireLowest();
        QCOMPARE(again.number(), 1);
        {
            ChannelLease moved = std::move(again);
            QVERIFY(channels.isHeld(1));
        }
        QVERIFY(!channels.isHeld(1));
    }
};

QTEST_GUILESS_MAIN(TextHelpersTest)
#include "TextHelpersTest.moc"
