// The real executable on private X and sound servers whose sound server crashes
// while Tovrin speaks and then comes back.
#include "PrivateDisplay.h"
#include "ProgramRun.h"
#include "SoundServer.h"
#include "SpokenPhrase.h"

#include <QtTest>

using namespace tk::test;

class SoundServerRestartProcessTest : public QObject {
    Q_OBJECT

private slots:
    void serverCrashedWhileTovrinSpoke_itIsHeardAgainOnceTheServerIsBack() {
        if (const QString missing = missingSpeechTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        SoundServer sound;
        QVERIFY2(sound.error().isEmpty(), qPrintable(sound.error()));
        PrivateDisplay display;
        QVERIFY2(display.error().isEmpty(), qPrintable(display.error()));
        ProgramRun run(display, &sound);
        QVERIFY(run.putKnownUser());
        const QString question = spokenWav(run.scratch(), QStringLiteral("how old are you"));
        QVERIFY(!question.isEmpty());
        QVERIFY2(run.start(), qPrintable(run.error()));
        QVERIFY2(display.waitForWindow(QStringLiteral("Tovrin"), 15000),
                 qPrintable(run.errorOutput()));

        // The server goes while Tovrin greets the user, and comes back.
        QVERIFY2(QTest::qWaitFor([&] { return sound.playingToSpeaker(); }, 15000),
                 "Tovrin was not heard greeting the user");
        sound.crash();
        QTest::qWait(500);
        QVERIFY2(sound.start(), qPrintable(sound.error()));

        // Asked its age, Tovrin hears the question and answers aloud.
        QVERIFY(sound.listenToSpeaker());
        const auto answered = [&] { return sound.speakerPeak() > 0.05; };
        for (int attempt = 0; attempt < 8 && !answered(); ++attempt) {
            // A tap of the listening key opens a listening session.
            QVERIFY(display.xdotool({QStringLiteral("key"), QStringLiteral("Pause")}));
            QVERIFY(sound.playIntoMicrophone(question));
            (void)QTest::qWaitFor(answered, 3000);
        }
        QVERIFY2(answered(), qPrintable("Tovrin was not heard after the sound server came back: " +
                                        run.errorOutput()));
        QVERIFY(run.isRunning());
    }
};

QTEST_GUILESS_MAIN(SoundServerRestartProcessTest)
#include "SoundServerRestartProcessTest.moc"
