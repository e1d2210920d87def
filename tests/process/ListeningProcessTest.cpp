// The real executable on private X and sound servers, greeting a user it knows:
// the listening key held down by real X events while a question is said into the
// microphone, and a sound server that crashes while Tovrin speaks.
#include "PrivateDisplay.h"
#include "ProgramRun.h"
#include "SoundServer.h"
#include "SpokenPhrase.h"

#include <QtTest>
#include <memory>

using namespace tk::test;

class ListeningProcessTest : public QObject {
    Q_OBJECT
    std::unique_ptr<SoundServer> m_sound;
    std::unique_ptr<PrivateDisplay> m_display;
    std::unique_ptr<ProgramRun> m_run;
    QString m_question; // "how old are you", said into the microphone

    bool tipShown() const {
        return !m_display->viewableWindows(QStringLiteral("Tovrin listening tip")).isEmpty();
    }

private slots:
    // Each case starts with Tovrin on the screen, greeting the user.
    void init() {
        if (const QString missing = missingSpeechTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_sound = std::make_unique<SoundServer>();
        QVERIFY2(m_sound->error().isEmpty(), qPrintable(m_sound->error()));
        m_display = std::make_unique<PrivateDisplay>();
        QVERIFY2(m_display->error().isEmpty(), qPrintable(m_display->error()));
        m_run = std::make_unique<ProgramRun>(*m_display, m_sound.get());
        QVERIFY(m_run->putKnownUser());
        m_question = spokenWav(m_run->scratch(), QStringLiteral("how old are you"));
        QVERIFY(!m_question.isEmpty());
        QVERIFY2(m_run->start(), qPrintable(m_run->error()));
        QVERIFY2(m_display->waitForWindow(QStringLiteral("Tovrin"), 15000),
                 qPrintable(m_run->errorOutput()));
    }

    void cleanup() {
        m_run.reset();
        m_display.reset();
        m_sound.reset();
    }

    void keyHeldWhileAQuestionIsSaid_TovrinAnswersAloud() {
        // The session that follows the greeting opens and closes by itself.
        QVERIFY2(QTest::qWaitFor([&] { return tipShown(); }, 20000),
                 "no listening session after the greeting");
        QVERIFY2(QTest::qWaitFor([&] { return !tipShown(); }, 20000),
                 "the session after the greeting never closed");

        // Held down, the key opens a session at once; the question is heard and
        // answered aloud; let go, the key ends the session.
        QVERIFY(m_sound->listenToSpeaker());
        QVERIFY(m_display->xdotool({QStringLiteral("keydown"), QStringLiteral("Pause")}));
        QVERIFY2(QTest::qWaitFor([&] { return tipShown(); }, 3000),
                 "holding the key opened no session");
        QVERIFY(m_sound->playIntoMicrophone(m_question));
        QVERIFY(m_display->xdotool({QStringLiteral("keyup"), QStringLiteral("Pause")}));
        QVERIFY2(QTest::qWaitFor([&] { return m_sound->speakerPeak() > 0.05; }, 8000),
                 qPrintable("Tovrin did not answer: " + m_run->errorOutput()));
        // It answered the question asked, which the log of commands records.
        const QByteArray log = m_run->readFile(QStringLiteral("questions.mlp"));
        QVERIFY2(log.contains("\r\ntheageoftovrin\r\n"), log.constData());
        QVERIFY2(QTest::qWaitFor([&] { return !tipShown(); }, 10000),
                 "the session went on after the key was let go");
        QVERIFY(m_run->isRunning());
    }

    void serverCrashedWhileTovrinSpoke_itIsHeardAgainOnceTheServerIsBack() {
        // The server goes while Tovrin greets the user, and comes back.
        QVERIFY2(QTest::qWaitFor([&] { return m_sound->playingToSpeaker(); }, 15000),
                 "Tovrin was not heard greeting the user");
        m_sound->crash();
        QTest::qWait(500);
        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));

        // Asked its age, Tovrin hears the question and answers aloud.
        QVERIFY(m_sound->listenToSpeaker());
        const auto answered = [&] { return m_sound->speakerPeak() > 0.05; };
        for (int attempt = 0; attempt < 8 && !answered(); ++attempt) {
            // A tap of the listening key opens a listening session.
            QVERIFY(m_display->xdotool({QStringLiteral("key"), QStringLiteral("Pause")}));
            QVERIFY(m_sound->playIntoMicrophone(m_question));
            (void)QTest::qWaitFor(answered, 3000);
        }
        QVERIFY2(answered(), qPrintable("Tovrin was not heard after the sound server came back: " +
                                        m_run->errorOutput()));
        QVERIFY(m_run->isRunning());
    }
};

QTEST_GUILESS_MAIN(ListeningProcessTest)
#include "ListeningProcessTest.moc"
