#include "SoundServer.h"
#include "SpeechSamples.h"
#include "agent/listening/AudioInputs.h"
#include "agent/listening/InputLevelMeter.h"
#include "agent/listening/MicrophoneCapture.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/SpeechRecording.h"

#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

// Speech played into a virtual microphone reaches the program through the real
// microphone path (the sound server's recording, the detector, the decoders). A private sound
// server provides it (the process tests' harness).
class VirtualMicrophoneTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_files;
    std::unique_ptr<test::SoundServer> m_sound;
    QString m_skip;

    // Points this process (the sound server's client library) at the private server.
    void useTheServer() { m_sound->useInThisProcess(); }

    void play(const QString& text) {
        const auto clip =
            test::SpeechSamples::inNoise(test::SpeechSamples::speak(text, "en-us"), 30, 300, 300);
        speech::SpeechRecording recording;
        recording.pcm =
            QByteArray(reinterpret_cast<const char*>(clip.data()), qsizetype(clip.size() * 2));
        recording.sampleRate = 16000;
        const QString file = m_files.filePath("said.wav");
        QCOMPARE(speech::writeWav(file, recording), QString());
        QVERIFY(m_sound->playIntoMicrophone(file));
    }

    // Starts a session of input for Tovrin's commands; what it hears goes to heard.
    void listenForTovrinsCommands(SphinxSpeechInput& input, QStringList& heard) {
        input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
        input.setQuietTimeout(60000);
        connect(&input, &SpeechInput::heard, this,
                [&heard](const QString& name, const QString&) { heard.append(name); });
        input.startListening();
    }

private slots:
    void initTestCase() {
        if (!SpeechModelFiles::installed().missingFiles().isEmpty())
            m_skip = "the en-us speech model is not installed";
        else if (test::SpeechSamples::speak("test", "en-us").empty())
            m_skip = "the speech synthesizer cannot start";
        else if (!(m_skip = test::SoundServer::missingTools()).isEmpty())
            return;
        else if (!m_files.isValid())
            m_skip = "no temporary directory";
        else {
            m_sound = std::make_unique<test::SoundServer>();
            m_skip = m_sound->error();
            useTheServer();
        }
    }

    void speechIntoTheMicrophone_raisesTheCommandsItNames() {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable("no virtual microphone: " + m_skip));
        SphinxSpeechInput input; // the default microphone, as the program uses it
        // Available as soon as the server has listed its inputs.
        QTRY_VERIFY2_WITH_TIMEOUT(input.isAvailable(), qPrintable(input.unavailableReason()), 5000);
        QStringList heard;
        listenForTovrinsCommands(input, heard);
        QVERIFY(input.isListening());

        const QList<std::pair<QString, QString>> said = {
            {"real chat", "rchat"}, {"how old are you", "theageoftovrin"}, {"open the window", ""}};
        for (const auto& [text, command] : said) {
            const qsizetype before = heard.size();
            play(text);
            QTRY_COMPARE_WITH_TIMEOUT(heard.size(), before + 1, 15000);
            QCOMPARE(heard.last(), command);
        }
        input.stopListening();
    }

    void inputLevel_followsTheVoiceInTheMicrophone() {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable("no virtual microphone: " + m_skip));
        SystemAudioInputs inputs; // lists the inputs, as the settings window does
        QTRY_VERIFY_WITH_TIMEOUT(!inputs.inputs().isEmpty(), 5000);
        InputLevelMeter meter(inputs);
        QList<double> levels;
        connect(&meter, &InputLevelMeter::level, this, [&](double value) { levels.append(value); });
        QVERIFY(meter.start({}));
        QVERIFY(!meter.start("no-such-input"));
        QVERIFY(meter.start({}));
        // Nothing plays: the null sink's monitor is silent.
        QTRY_VERIFY_WITH_TIMEOUT(levels.size() >= 5, 5000);
        QCOMPARE(*std::max_element(levels.begin(), levels.end()), 0.0);
        play("real chat");
        // The voice peaks about 10 dB under full scale, 25 readings a second.
        QTRY_VERIFY_WITH_TIMEOUT(*std::max_element(levels.begin(), levels.end()) > 0.6, 5000);

        // The server goes away under the meter and comes back: it measures again.
        m_sound->crash();
        QTRY_VERIFY_WITH_TIMEOUT(!meter.isActive(), 8000);
        QCOMPARE(levels.last(), 0.0);
        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        QTRY_VERIFY_WITH_TIMEOUT(meter.isActive(), 10000);
        levels.clear();
        play("real chat");
        QTRY_VERIFY_WITH_TIMEOUT(
            !levels.isEmpty() && *std::max_element(levels.begin(), levels.end()) > 0.6, 5000);
        meter.stop();
        QVERIFY(!meter.isActive());
        QCOMPARE(levels.last(), 0.0);
    }

    void microphonePluggedInLater_isSeenAndUsed_andItsLossSaid() {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable("no virtual microphone: " + m_skip));
        auto* capture = new MicrophoneCapture;
        SphinxSpeechInput input(capture, SpeechModelFiles::installed());
        input.setMicrophone("later", "Later Microphone");
        QVERIFY(!input.isAvailable());
        QSignalSpy changed(&input, &SpeechInput::availabilityChanged);

        QString module;
        QVERIFY(m_sound->pactl({"load-module", "module-remap-source", "master=mic.monitor",
                                "source_name=later", "source_properties=device.description=Later"},
                               &module));
        QTRY_VERIFY_WITH_TIMEOUT(input.isAvailable() && !changed.isEmpty(), 8000);
        input.startListening();
        QVERIFY(input.isListening());

        // Pulled out while listening: the session ends with the reason, no crash.
        const int before = int(changed.count());
        QVERIFY(m_sound->pactl({"unload-module", module.trimmed()}));
        QTRY_VERIFY_WITH_TIMEOUT(!input.isListening(), 8000);
        QVERIFY(changed.count() > before);
        QVERIFY(!input.isAvailable());
        QVERIFY2(input.unavailableReason().contains("Later"),
                 qPrintable(input.unavailableReason()));
    }

    void soundServerRestarted_theNextSessionHearsAgain() {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable("no virtual microphone: " + m_skip));
        SphinxSpeechInput input;
        QTRY_VERIFY_WITH_TIMEOUT(input.isAvailable(), 5000);
        QStringList heard;
        listenForTovrinsCommands(input, heard);
        QVERIFY(input.isListening());

        // The server goes away while Tovrin listens, and comes back.
        m_sound->crash();
        QTRY_VERIFY_WITH_TIMEOUT(!input.isListening(), 8000);
        QVERIFY2(m_sound->start(), qPrintable(m_sound->error()));
        QTRY_VERIFY_WITH_TIMEOUT(input.isAvailable(), 10000);
        input.startListening();
        QVERIFY(input.isListening());
        play("real chat");
        QTRY_COMPARE_WITH_TIMEOUT(heard, QStringList{"rchat"}, 15000);
    }
};

QTEST_GUILESS_MAIN(VirtualMicrophoneTest)
#include "VirtualMicrophoneTest.moc"
