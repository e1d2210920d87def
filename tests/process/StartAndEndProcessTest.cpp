// The real executable on a private X server: how the start-up chain ends when
// the character cannot be had, a run that ends while the name box is open, and
// a sound server that starts after the program.
#include "PrivateDisplay.h"
#include "ProgramRun.h"
#include "SoundServer.h"
#include "SpokenPhrase.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace tk::test;

namespace {

// The phrase of the Exit command said in these tests. The longest one: a single
// short word such as "exit" is decoded right but often rejected as too unsure,
// and a run always playing the same recording would then never end.
const QString kExitPhrase = QStringLiteral("get out of here");

// The lines of the program's message boxes, which it also writes to standard
// error ("tovrinkin: ERROR: ..."), that contain text.
QStringList messagesWith(ProgramRun& run, const QString& text) {
    QStringList lines = run.errorOutput().split(QLatin1Char('\n'));
    lines.removeIf([&](const QString& line) {
        return !line.startsWith(QStringLiteral("tovrinkin: ")) || !line.contains(text);
    });
    return lines;
}

} // namespace

class StartAndEndProcessTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        const QString missing = PrivateDisplay::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
    }

    void failedCharacterCopy_isReportedOnce_andTheRunEnds_data() {
        QTest::addColumn<int>("dismissAfterMs");
        QTest::newRow("dismissed at once") << 0;
        QTest::newRow("dismissed after the splash time") << 2600;
    }

    void failedCharacterCopy_isReportedOnce_andTheRunEnds() {
        QFETCH(int, dismissAfterMs);
        const QString problem = ProgramRun::sharedCharacterDirProblem();
        if (!problem.isEmpty())
            QSKIP(qPrintable(problem));
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display);
        // The character only in the runtime's shared directory; a directory
        // named like it in the program directory stops every copy, even root's.
        const QString shared = run.scratch() + QStringLiteral("/shared");
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(run.putCharacter());
        QVERIFY(QFile::rename(run.path(QStringLiteral("tovrin.acs")),
                              shared + QStringLiteral("/tovrin.acs")));
        QVERIFY(QDir().mkpath(run.path(QStringLiteral("tovrin.acs"))));
        run.useSharedCharacterDir(shared);
        QVERIFY2(run.start(), qPrintable(run.error()));

        const auto box = display.waitForWindow(QStringLiteral("ERROR"), 15000);
        QVERIFY2(box, qPrintable(run.errorOutput()));
        QTest::qWait(dismissAfterMs);
        QVERIFY(display.key(box->id, QStringLiteral("Return")));

        const bool ended = run.waitForExit(6000);
        QVERIFY2(display.viewableWindows(QStringLiteral("ERROR")).isEmpty(),
                 "the copy failure was reported twice");
        QVERIFY2(ended, "the run goes on with no window left");
        QVERIFY(!run.crashed());
        QVERIFY(run.exitCode() != 0);
        QCOMPARE(messagesWith(run, QStringLiteral("Could not copy the character file")).size(), 1);
    }

    void unloadableCharacter_namesTheFileOnce_andTheRunEndsWithFailure() {
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display);
        QVERIFY(run.writeFile(QStringLiteral("tovrin.acs"), "not a character file\n"));
        QVERIFY(run.writeFile(QStringLiteral("main.ini"), "[MAIN]\r\nFIRST=1\r\n"));
        QVERIFY2(run.start(), qPrintable(run.error()));

        const auto box = display.waitForWindow(QStringLiteral("ERROR"), 15000);
        QVERIFY2(box, qPrintable(run.errorOutput()));
        const QStringList told = messagesWith(run, QStringLiteral("Tovrin could not be loaded"));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.first().count(run.path(QStringLiteral("tovrin.acs"))), 1);
        QVERIFY(display.key(box->id, QStringLiteral("Return")));

        QVERIFY2(run.waitForExit(8000), "the run goes on with no window left");
        QVERIFY(!run.crashed());
        QVERIFY(run.exitCode() != 0);
    }

    void exitSaid_whileTheNameBoxIsOpen_endsTheRunCleanly_andKeepsTheName() {
        if (const QString missing = missingSpeechTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        SoundServer sound;
        QVERIFY2(sound.error().isEmpty(), qPrintable(sound.error()));
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display, &sound);
        QVERIFY(run.putCharacter());
        const QString leaveWav = spokenWav(run.scratch(), kExitPhrase);
        QVERIFY(!leaveWav.isEmpty());
        QVERIFY2(run.start(), qPrintable(run.error()));

        const auto box = display.waitForWindow(QStringLiteral("TOVRIN SAYS"), 15000);
        QVERIFY2(box, qPrintable(run.errorOutput()));
        // Tovrin listens once the sentences under the box have been spoken; the
        // character leaves the screen when the command is taken.
        QVERIFY(display.waitForWindow(QStringLiteral("Tovrin"), 15000));
        const auto figureGone = [&] {
            return display.viewableWindows(QStringLiteral("Tovrin")).isEmpty();
        };
        for (int attempt = 0; attempt < 12 && !figureGone(); ++attempt) {
            QVERIFY(sound.playIntoMicrophone(leaveWav));
            (void)QTest::qWaitFor(figureGone, 1500);
        }
        QVERIFY2(figureGone(),
                 qPrintable("\"get out of here\" was never heard: " + run.errorOutput()));
        QVERIFY(!display.viewableWindows(QStringLiteral("TOVRIN SAYS")).isEmpty());

        QVERIFY(display.type(box->id, QStringLiteral("Sam")));
        QVERIFY(display.key(box->id, QStringLiteral("Return")));
        QVERIFY2(run.waitForExit(8000), "the run goes on after the name box");
        QVERIFY2(!run.crashed(), qPrintable(run.errorOutput()));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(run.readFile(QStringLiteral("main.ini")),
                 QByteArray("[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n"));
    }

    void soundServerStartedAfterTheProgram_isUsed() {
        if (const QString missing = missingSpeechTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        SoundServer sound(SoundServer::Start::Later);
        QVERIFY2(sound.error().isEmpty(), qPrintable(sound.error()));
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display, &sound);
        QVERIFY(run.putKnownUser());
        const QString leaveWav = spokenWav(run.scratch(), kExitPhrase);
        QVERIFY(!leaveWav.isEmpty());
        QVERIFY2(run.start(), qPrintable(run.error()));
        QVERIFY2(display.waitForWindow(QStringLiteral("Tovrin"), 15000),
                 qPrintable(run.errorOutput()));

        // The user's session brings its sound server up only now.
        QVERIFY2(sound.start(), qPrintable(sound.error()));
        const auto figureGone = [&] {
            return display.viewableWindows(QStringLiteral("Tovrin")).isEmpty();
        };
        for (int attempt = 0; attempt < 12 && !figureGone(); ++attempt) {
            // A tap of the listening key opens a listening session.
            QVERIFY(display.xdotool({QStringLiteral("key"), QStringLiteral("Pause")}));
            QVERIFY(sound.playIntoMicrophone(leaveWav));
            (void)QTest::qWaitFor(figureGone, 1500);
        }
        QVERIFY2(
            figureGone(),
            qPrintable(
                "\"get out of here\" was never heard through the sound server that came later: " +
                run.errorOutput()));
        QVERIFY2(run.waitForExit(8000),
                 qPrintable("the run goes on after \"get out of here\": " + run.errorOutput()));
        QVERIFY2(!run.crashed(), qPrintable(run.errorOutput()));
        QCOMPARE(run.exitCode(), 0);
    }

    void waylandDesktopGivingShortcuts_itsListeningKeyOpensASession() {
        if (const QString missing = missingSpeechTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
        QVERIFY(bus.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(bus.canReadLine(), 5000);
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        QProcess portal;
        QProcessEnvironment onBus = QProcessEnvironment::systemEnvironment();
        onBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        portal.setProcessEnvironment(onBus);
        portal.start(QStringLiteral(TK_FAKE_PORTAL), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(portal.canReadLine(), 5000);
        QCOMPARE(portal.readLine().trimmed(), QByteArray("ready"));

        SoundServer sound;
        QVERIFY2(sound.error().isEmpty(), qPrintable(sound.error()));
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display, &sound);
        QVERIFY(run.putKnownUser());
        run.setEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        run.setEnvironment(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        const QString leaveWav = spokenWav(run.scratch(), kExitPhrase);
        QVERIFY(!leaveWav.isEmpty());
        QVERIFY2(run.start(), qPrintable(run.error()));
        QVERIFY2(display.waitForWindow(QStringLiteral("Tovrin"), 15000),
                 qPrintable(run.errorOutput()));

        // The listening key is asked of the desktop, as Pause.
        QByteArray bound;
        QTRY_VERIFY_WITH_TIMEOUT((bound += portal.readAll()).contains("bound Pause Tovrin listens"),
                                 10000);
        // Once the session after the greeting has closed (its tip goes), nothing
        // listens...
        const auto figureGone = [&] {
            return display.viewableWindows(QStringLiteral("Tovrin")).isEmpty();
        };
        const auto tipShown = [&] {
            return !display.viewableWindows(QStringLiteral("Tovrin listening tip")).isEmpty();
        };
        QVERIFY2(QTest::qWaitFor(tipShown, 20000), "no listening session after the greeting");
        QVERIFY2(QTest::qWaitFor([&] { return !tipShown(); }, 20000),
                 "the session after the greeting never closed");
        QVERIFY(sound.playIntoMicrophone(leaveWav));
        QVERIFY2(!QTest::qWaitFor(figureGone, 2000),
                 "\"get out of here\" was heard with no session open");
        // ...until the desktop passes the key on: a tap opens a session.
        portal.write("tap listens\n");
        QVERIFY2(QTest::qWaitFor(tipShown, 5000),
                 "a tap of the desktop's shortcut opened no listening session");
        QVERIFY(sound.playIntoMicrophone(leaveWav));
        QVERIFY2(
            QTest::qWaitFor(figureGone, 5000),
            qPrintable("the session the desktop's key opened did not hear: " + run.errorOutput()));
        QVERIFY2(run.waitForExit(8000), qPrintable(run.errorOutput()));
        QVERIFY2(!run.crashed(), qPrintable(run.errorOutput()));
        QCOMPARE(run.exitCode(), 0);
        portal.closeWriteChannel();
        portal.waitForFinished(3000);
        bus.terminate();
        bus.waitForFinished(3000);
    }
};

QTEST_GUILESS_MAIN(StartAndEndProcessTest)
#include "StartAndEndProcessTest.moc"
