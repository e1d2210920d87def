#include "startup/StartupChecks.h"

#include "TestContext.h"

#include <QFile>
#include <QtTest>

using namespace tk;
using namespace tk::StartupChecks;

namespace {
const QString kMissingBoth = QStringLiteral(
    "message ERROR|NO CHARACTER FILES DETECTED in THE 'tovrinkin' directory or the %1 "
    "directory.Make sure you have all the things installed correctly.");
const QString kNotInstalled = QStringLiteral(
    "message ERROR|ERROR: Please make sure you have the character platform and Character Tovrin "
    "Installed. Put the 'tovrin.acs' in the directory where 'tovrinkin' is. For more help, read "
    "the README file. Or contact us: tovrinkin@example.org");
} // namespace

class StartupChecksTest : public QObject {
    Q_OBJECT
private slots:
    void introSound_onlyForExactlyOne_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("plays");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("one") << QByteArray("[MAIN]\r\nLSOUND=1\r\n") << true;
        QTest::newRow("zero") << QByteArray("[MAIN]\r\nLSOUND=0\r\n") << false;
        QTest::newRow("empty") << QByteArray("[MAIN]\r\nLSOUND=\r\n") << false;
        QTest::newRow("01") << QByteArray("[MAIN]\r\nLSOUND=01\r\n") << false;
        QTest::newRow("yes") << QByteArray("[MAIN]\r\nLSOUND=yes\r\n") << false;
    }
    void introSound_onlyForExactlyOne() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, plays);
        test::TestContext t;
        if (!ini.isEmpty())
            t.writeFile(t.programFile("main.ini"), ini);
        const QString sound = introSoundToPlay(t.context);
        QCOMPARE(sound, plays ? t.programFile("snds/welcome.mp3") : QString());
        QCOMPARE(QFile::exists(t.programFile("main.ini")), !ini.isEmpty()); // nothing written
    }

    // Platform copy present or absent, local copy present, absent or in capitals.
    void splashAndCheck_data() {
        QTest::addColumn<bool>("platformCopy");
        QTest::addColumn<QString>("localName");
        QTest::addColumn<int>("splashVerdict");
        QTest::addColumn<int>("checkVerdict");
        QTest::addColumn<bool>("errorAtSplash");
        QTest::newRow("platform, local") << true << "tovrin.acs" << int(SplashVerdict::Proceed)
                                         << int(CheckVerdict::OpenMainWindow) << false;
        QTest::newRow("platform, no local") << true << "" << int(SplashVerdict::Proceed)
                                            << int(CheckVerdict::OpenMainWindow) << false;
        QTest::newRow("no platform, local") << false << "tovrin.acs" << int(SplashVerdict::Proceed)
                                            << int(CheckVerdict::OpenMainWindow) << false;
        QTest::newRow("no platform, no local")
            << false << "" << int(SplashVerdict::Stop) << int(CheckVerdict::Missing) << true;
        QTest::newRow("no platform, capitals")
            << false << "TOVRIN.ACS" << int(SplashVerdict::Proceed) << int(CheckVerdict::Missing)
            << false;
    }
    void splashAndCheck() {
        QFETCH(bool, platformCopy);
        QFETCH(QString, localName);
        QFETCH(int, splashVerdict);
        QFETCH(int, checkVerdict);
        QFETCH(bool, errorAtSplash);
        test::TestContext t;
        const QString platformFile = t.context.platformCharacterDir + "/tovrin.acs";
        if (platformCopy)
            t.writeFile(platformFile, "platform character");
        if (!localName.isEmpty())
            t.writeFile(t.programFile(localName), "old local character");

        QCOMPARE(int(prepareCharacterFile(t.context)), splashVerdict);
        if (errorAtSplash) {
            QCOMPARE(t.dialogs.shown,
                     QStringList{kMissingBoth.arg(t.context.platformCharacterDir)});
            return; // the program ends here
        }
        QVERIFY(t.dialogs.shown.isEmpty());
        if (platformCopy) // the splash keeps the local copy equal to the platform's
            QCOMPARE(t.readFile(t.programFile("tovrin.acs")), QByteArray("platform character"));

        QCOMPARE(int(checkCharacterFile(t.context)), checkVerdict);
        if (checkVerdict == int(CheckVerdict::OpenMainWindow))
            QVERIFY(t.dialogs.shown.isEmpty());
        else
            QCOMPARE(t.dialogs.shown, QStringList{kNotInstalled});
    }

    void check_localMissingPlatformPresent_copiesAndAsksForRestart() {
        test::TestContext t;
        t.writeFile(t.context.platformCharacterDir + "/tovrin.acs", "platform character");
        t.writeFile(t.programFile("TOVRIN.ACS"), "stale");
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::RestartRequested);
        QCOMPARE(t.dialogs.shown, QStringList{"message tovrinkin|Please restart..."});
        QCOMPARE(t.readFile(t.programFile("tovrin.acs")), QByteArray("platform character"));
        // The next start finds it.
        t.dialogs.shown.clear();
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::OpenMainWindow);
    }

    void splash_platformCopyInOtherCapitals_isCopied() {
        test::TestContext t;
        t.writeFile(t.context.platformCharacterDir + "/Tovrin.ACS", "platform character");
        QCOMPARE(prepareCharacterFile(t.context), SplashVerdict::Proceed);
        QCOMPARE(t.readFile(t.programFile("tovrin.acs")), QByteArray("platform character"));
    }

    void failedCopy_isReported() {
        test::TestContext t;
        t.writeFile(t.context.platformCharacterDir + "/tovrin.acs", "platform character");
        // A directory in the way of the local copy: it can be neither replaced nor loaded.
        QVERIFY(QDir().mkpath(t.programFile("tovrin.acs") + "/blocker"));
        QCOMPARE(prepareCharacterFile(t.context), SplashVerdict::Proceed);
        QCOMPARE(t.dialogs.shown.size(), 1);
        QVERIFY(t.dialogs.shown[0].startsWith("message ERROR|Could not copy the character file"));
        QCOMPARE(checkCharacterFile(t.context), CheckVerdict::CopyFailed);
        QCOMPARE(t.dialogs.shown.size(), 2);
    }
};

QTEST_GUILESS_MAIN(StartupChecksTest)
#include "StartupChecksTest.moc"
