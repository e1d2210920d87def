#include "PcmFeedCapture.h"
#include "SoundServer.h"
#include "SpeechSamples.h"
#include "agent/listening/AudioInputs.h"
#include "agent/listening/MicrophoneCapture.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "platform/sound/SoundServer.h"
#include "platform/sound/SoundServerProbe.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

class SpeechInputTest : public QObject {
    Q_OBJECT
    bool m_canRecognize = false;

private slots:
    void initTestCase() {
        m_canRecognize = SpeechModelFiles::installed().missingFiles().isEmpty() &&
                         !test::SpeechSamples::speak("test", "en-us").empty();
    }

    void withoutMicrophoneOrModel_isUnavailableWithAReasonAndNeverListens() {
        auto* absent = new PcmFeedCapture;
        absent->setAvailable(false, "No microphone was found, so Tovrin cannot listen.");
        SphinxSpeechInput noMicrophone(absent, SpeechModelFiles::installed());
        QSignalSpy started(&noMicrophone, &SpeechInput::listeningStarted);
        QVERIFY(!noMicrophone.isAvailable());
        QCOMPARE(noMicrophone.unavailableReason(),
                 QString("No microphone was found, so Tovrin cannot listen."));
        noMicrophone.startListening();
        QVERIFY(!noMicrophone.isListening());
        QCOMPARE(started.count(), 0);

        QTemporaryDir empty;
        SphinxSpeechInput noModel(new PcmFeedCapture, SpeechModelFiles::under(empty.path()));
        QVERIFY(!noModel.isAvailable());
        QVERIFY(noModel.unavailableReason().contains("model is not installed"));
        noModel.startListening();
        QVERIFY(!noModel.isListening());
    }

    void soundServerStartingLater_bringsTheMicrophoneWithIt() {
        if (const QString missing = test::SoundServer::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        // A private sound server, started only later.
        test::SoundServer sound(test::SoundServer::Start::Later);
        sound.useInThisProcess();
        SoundServer server([] { return SoundServerProbe::answers(1000); }, 10);
        auto* capture =
            new MicrophoneCapture(new SystemAudioInputs(nullptr, &server), nullptr, &server);
        QVERIFY(!capture->isAvailable());
        QCOMPARE(capture->unavailableReason(),
                 QString("The sound system is not running, so Tovrin cannot listen. It listens "
                         "once the sound system starts."));
        QSignalSpy failed(capture, &AudioCapture::failed);
        QVERIFY(!capture->start());
        QCOMPARE(failed.count(), 1);

        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        QSignalSpy changed(&input, &SpeechInput::availabilityChanged);
        QVERIFY2(sound.start(), qPrintable(sound.error()));
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
        // Its microphone is the default one, and listening is possible as far
        // as the microphone goes.
        QVERIFY(capture->isAvailable());
        QCOMPARE(capture->unavailableReason(), QString());
        QCOMPARE(input.isAvailable(), SpeechModelFiles::installed().missingFiles().isEmpty());
        QVERIFY(capture->start());
        QVERIFY(capture->isActive());
        capture->stop();
    }

    void captureFailingToStart_reportsItOnceAndStaysQuiet() {
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        if (!input.isAvailable())
            QSKIP("the en-us speech model is not installed");
        QSignalSpy availability(&input, &SphinxSpeechInput::availabilityChanged);
        QSignalSpy started(&input, &SpeechInput::listeningStarted);
        // The device vanishes between the check and the start.
        capture->failNextStart("The microphone could not be opened.");
        input.startListening();
        QCOMPARE(started.count(), 0);
        QVERIFY(!input.isListening());
        QCOMPARE(availability.count(), 1);
        QCOMPARE(input.unavailableReason(), QString("The microphone could not be opened."));
        input.startListening(); // no retry loop, no second report
        QCOMPARE(availability.count(), 1);
        QVERIFY(!input.isListening());
        // The devices change (one is plugged in): available again, and it listens.
        capture->setAvailable(false, "No microphone was found, so Tovrin cannot listen.");
        capture->setAvailable(true);
        QVERIFY(input.isAvailable());
        input.startListening();
        QVERIFY(input.isListening());
        QCOMPARE(started.count(), 1);
    }

    void spokenPhrase_isHeardOnTheOwnersThreadAndTheSessionClosesWhenQuiet() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        input.setQuietTimeout(1500);
        QSignalSpy started(&input, &SpeechInput::listeningStarted);
        QSignalSpy stopped(&input, &SpeechInput::listeningStopped);
        QSignalSpy hearing(&input, &SpeechInput::hearingStarted);
        QStringList events;
        QThread* deliveredOn = nullptr;
        connect(&input, &SpeechInput::heard, this, [&](const QString& name, const QString& text) {
            events.append(name + "|" + text);
            deliveredOn = QThread::currentThread();
        });

        input.startListening();
        QVERIFY(input.isListening());
        QCOMPARE(started.count(), 1);
        input.startListening(); // already listening: no second session
        QCOMPARE(started.count(), 1);

        capture->feed(test::SpeechSamples::backgroundNoise(1000, 25));
        capture->feed(test::SpeechSamples::inNoise(test::SpeechSamples::speak("real chat", "en-us"),
                                                   25, 300, 800));
        capture->feed(test::SpeechSamples::inNoise(
            test::SpeechSamples::speak("open the window", "en-us"), 25, 300, 800, 5));
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 20000);
        QCOMPARE(events, QStringList({"rchat|real chat", "|"}));
        QCOMPARE(hearing.count(), 2);
        QCOMPARE(deliveredOn, QThread::currentThread());
        // Nothing more is said: the session closes by itself.
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
        QVERIFY(!input.isListening());
    }

    void nameSaidAlone_keepsTheSessionWaitingForSpeech_thenItClosesWhenQuiet() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        input.setCharacterName("Tovrin");
        input.setQuietTimeout(1500);
        QSignalSpy hearing(&input, &SpeechInput::hearingStarted);
        QSignalSpy heard(&input, &SpeechInput::heard);
        QSignalSpy stopped(&input, &SpeechInput::listeningStopped);
        input.startListening();
        capture->feed(test::SpeechSamples::backgroundNoise(1000, 25));
        capture->feed(test::SpeechSamples::inNoise(test::SpeechSamples::speak("Tovrin", "en-us"),
                                                   25, 300, 800));
        QTRY_COMPARE_WITH_TIMEOUT(hearing.count(), 1, 10000);
        // The name alone raises nothing; the session waits for speech again and
        // closes when none comes.
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
        QCOMPARE(heard.count(), 0);
    }

    void stopListening_dropsWhatWasStillBeingHeard() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        auto* capture = new PcmFeedCapture(PcmFeedCapture::Pace::RealTime);
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        QSignalSpy hearing(&input, &SpeechInput::hearingStarted);
        QSignalSpy heard(&input, &SpeechInput::heard);
        QSignalSpy stopped(&input, &SpeechInput::listeningStopped);
        input.startListening();
        capture->feed(test::SpeechSamples::backgroundNoise(1000, 25));
        capture->feed(test::SpeechSamples::inNoise(
            test::SpeechSamples::speak("what is your age, tovrin?", "en-us"), 25, 200, 1500));
        QTRY_COMPARE_WITH_TIMEOUT(hearing.count(), 1, 10000);
        input.stopListening(); // Tovrin starts speaking, say
        QCOMPARE(stopped.count(), 1);
        QVERIFY(!capture->isActive());
        QTest::qWait(1500);
        QCOMPARE(heard.count(), 0);

        // A new session hears afresh.
        input.startListening();
        capture->feed(test::SpeechSamples::inNoise(test::SpeechSamples::speak("options", "en-us"),
                                                   25, 600, 900));
        QTRY_COMPARE_WITH_TIMEOUT(heard.count(), 1, 10000);
        QCOMPARE(heard.first().first().toString(), QString("optionse"));
    }

    void sessionOpenedAgainSoon_hearsAPhraseSaidAtOnce() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        input.setQuietTimeout(1500);
        QSignalSpy heard(&input, &SpeechInput::heard);
        QSignalSpy stopped(&input, &SpeechInput::listeningStopped);
        input.startListening();
        capture->feed(test::SpeechSamples::backgroundNoise(1000, 25));
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
        // The key is pressed again and the phrase comes at once, with no room
        // noise before it: the noise of the last session still counts.
        input.startListening();
        capture->feed(test::SpeechSamples::inNoise(test::SpeechSamples::speak("real chat", "en-us"),
                                                   25, 0, 800));
        QTRY_COMPARE_WITH_TIMEOUT(heard.count(), 1, 10000);
        QCOMPARE(heard.first().first().toString(), QString("rchat"));
    }

    void firstSessionAfterALongQuiet_hearsAPhraseSaidAtOnce() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        // Nothing has been heard before (as after more than two minutes without
        // audio): the key is pressed and the phrase comes with it.
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        QSignalSpy heard(&input, &SpeechInput::heard);
        input.startListening();
        capture->feed(test::SpeechSamples::inNoise(
            test::SpeechSamples::withoutLeadingSilence(
                test::SpeechSamples::speak("what's your name?", "en-us")),
            25, 0, 800));
        QTRY_COMPARE_WITH_TIMEOUT(heard.count(), 1, 10000);
        QCOMPARE(heard.first().first().toString(), QString("thenameoftovrin"));
    }

    void alwaysListening_actsOnPhrasesLedByTheNameWithoutASession() {
        if (!m_canRecognize)
            QSKIP("the speech model or the synthesizer is missing");
        auto* capture = new PcmFeedCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        input.setCharacterName("Tovrin");
        QSignalSpy mode(&input, &SpeechInput::alwaysListeningChanged);
        QSignalSpy started(&input, &SpeechInput::listeningStarted);
        QSignalSpy hearing(&input, &SpeechInput::hearingStarted);
        QStringList events;
        connect(&input, &SpeechInput::heard, this,
                [&](const QString& name, const QString&) { events.append(name); });
        input.setAlwaysListening(true);
        input.setAlwaysListening(true);
        QCOMPARE(mode.count(), 1);
        QVERIFY(input.isAlwaysListening() && input.isCapturing() && !input.isListening());
        QVERIFY(capture->isActive());

        const auto say = [&](const char* text, unsigned seed) {
            capture->feed(test::SpeechSamples::inNoise(test::SpeechSamples::speak(text, "en-us"),
                                                       25, 300, 800, seed));
        };
        capture->feed(test::SpeechSamples::backgroundNoise(1000, 25));
        say("how old are you?", 3);
        say("Tovrin, what's your name?", 4);
        QTRY_COMPARE_WITH_TIMEOUT(events, QStringList{"thenameoftovrin"}, 20000);
        QCOMPARE(hearing.count(), 0);
        QCOMPARE(started.count(), 0);
        // Waiting for the name, the capture is asked for long pieces of audio (few
        // wake-ups); a session asks for shorter ones, so that hearing shows soon.
        QTRY_COMPARE(capture->askedPieceDuration(), 500);

        // A session opened meanwhile takes any phrase; when it closes, the name
        // is required again and the microphone stays open.
        input.startListening();
        QCOMPARE(capture->askedPieceDuration(), 250);
        say("how old are you?", 5);
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 20000);
        QCOMPARE(events.last(), QString("theageoftovrin"));
        input.stopListening();
        QVERIFY(capture->isActive());
        QCOMPARE(capture->askedPieceDuration(), 500);
        // What is heard while the character speaks is ignored.
        input.setCharacterSpeaking(true);
        say("Tovrin, how old are you?", 6);
        QTRY_COMPARE(capture->queuedSamples(), 0);
        input.setCharacterSpeaking(false);
        say("how old are you?", 7);
        say("Tovrin, options", 8);
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 3, 20000);
        QCOMPARE(events.last(), QString("optionse"));

        input.setAlwaysListening(false);
        QCOMPARE(mode.count(), 2);
        QVERIFY(!capture->isActive() && !input.isCapturing());
        // A microphone that goes away and comes back: listening resumes by itself.
        input.setAlwaysListening(true);
        capture->setAvailable(false, "No microphone was found, so Tovrin cannot listen.");
        QVERIFY(!input.isCapturing());
        capture->setAvailable(true);
        QVERIFY(input.isCapturing() && capture->isActive());
    }
};

QTEST_GUILESS_MAIN(SpeechInputTest)
#include "SpeechInputTest.moc"
