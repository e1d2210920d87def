// The real executable on private X and sound servers: the listening key held
// down by real X events while a question is said into the microphone.
#include "PrivateDisplay.h"
#include "ProgramRun.h"
#include "SoundServer.h"
#include "SpokenPhrase.h"

#include <QtTest>

using namespace tk::test;

class ListeningKeyProcessTest : public QObject {
    Q_OBJECT

private slots:
    void keyHeldWhileAQuestionIsSaid_TovrinAnswersAloud() {
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

        // The session that follows the greeting opens and closes by itself.
        const auto tipShown = [&] {
            return !display.viewableWindows(QStringLiteral("Tovrin listening tip")).isEmpty();
        };
        QVERIFY2(QTest::qWaitFor(tipShown, 20000), "no listening session after the greeting");
        QVERIFY2(QTest::qWaitFor([&] { return !tipShown(); }, 20000),
                 "the session after the greeting never closed");

        // Held down, the key opens a session at once; the question is heard and
        // answered aloud; let go, the key ends the session.
        QVERIFY(sound.listenToSpeaker());
        QVERIFY(display.xdotool({QStringLiteral("keydown"), QStringLiteral("Pause")}));
        QVERIFY2(QTest::qWaitFor(tipShown, 3000), "holding the key opened no session");
        QVERIFY(sound.playIntoMicrophone(question));
        QVERIFY(display.xdotool({QStringLiteral("keyup"), QStringLiteral("Pause")}));
        QVERIFY2(QTest::qWaitFor([&] { return sound.speakerPeak() > 0.05; }, 8000),
                 qPrintable("Tovrin did not answer: " + run.errorOutput()));
        // It answered the question asked, which the log of commands records.
        QVERIFY2(run.readFile(QStringLiteral("questions.mlp")).contains("\r\ntheageoftovrin\r\n"),
                 run.readFile(QStringLiteral("questions.mlp")).constData());
        QVERIFY2(QTest::qWaitFor([&] { return !tipShown(); }, 10000),
                 "the session went on after the key was let go");
        QVERIFY(run.isRunning());
    }
};

QTEST_GUILESS_MAIN(ListeningKeyProcessTest)
#include "ListeningKeyProcessTest.moc"
