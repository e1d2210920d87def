#include "SpeechSamples.h"
#include "agent/listening/MicrophoneCapture.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/SpeechRecording.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

// Speech played into a virtual microphone reaches the program through the real
// microphone path (the sound server's recording, the detector, the decoders). A private PulseAudio
// daemon provides it: a null sink "mic" whose monitor is remapped into an ordinary source, the
// default one (Qt lists no monitor sources), so that `paplay --device=mic` speaks into the
// microphone.
class VirtualMicrophoneTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;
    QProcess m_daemon;
    QString m_skip;

    QProcessEnvironment pulseEnvironment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        env.insert("HOME", m_runtime.path());
        env.remove("PULSE_SERVER");
        return env;
    }

    bool pactl(const QStringList& arguments, QString* output = nullptr) {
        QProcess process;
        process.setProcessEnvironment(pulseEnvironment());
        process.start("pactl", arguments);
        const bool ok = process.waitForFinished(5000) &&
                        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (output)
            *output =
                QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        return ok;
    }

    QString startDaemon() {
        for (const char* program : {"pulseaudio", "pactl", "paplay"}) {
            if (QStandardPaths::findExecutable(program).isEmpty())
                return QString("%1 is not installed").arg(program);
        }
        if (!m_runtime.isValid())
            return "no temporary directory";
        m_daemon.setProcessEnvironment(pulseEnvironment());
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "-n",
                                      "--load=module-native-protocol-unix",
                                      "--load=module-null-sink sink_name=spk",
                                      "--load=module-null-sink sink_name=mic"});
        if (!m_daemon.waitForStarted(5000))
            return "pulseaudio could not be started";
        QString output;
        const bool answers = QTest::qWaitFor(
            [&] { return m_daemon.state() != QProcess::Running || pactl({"info"}, &output); },
            5000);
        if (!answers || m_daemon.state() != QProcess::Running)
            return "pulseaudio does not answer: " + output.trimmed() + ' ' +
                   QString::fromUtf8(m_daemon.readAll()).trimmed();
        if (!pactl({"load-module", "module-remap-source", "master=mic.monitor", "source_name=vmic",
                    "source_properties=device.description=VirtualMicrophone"},
                   &output) ||
            !pactl({"set-default-sink", "spk"}) || !pactl({"set-default-source", "vmic"}))
            return "the virtual microphone could not be set up: " + output.trimmed();
        // This process talks to the private daemon from now on.
        qputenv("PULSE_SERVER", ("unix:" + m_runtime.path() + "/pulse/native").toUtf8());
        return {};
    }

    void play(const QString& text, const QString& file) {
        const auto clip =
            test::SpeechSamples::inNoise(test::SpeechSamples::speak(text, "en-us"), 30, 300, 300);
        speech::SpeechRecording recording;
        recording.pcm =
            QByteArray(reinterpret_cast<const char*>(clip.data()), qsizetype(clip.size() * 2));
        recording.sampleRate = 16000;
        QCOMPARE(speech::writeWav(file, recording), QString());
        QProcess player;
        player.setProcessEnvironment(pulseEnvironment());
        player.start("paplay", {"--device=mic", file});
        QVERIFY(player.waitForFinished(15000));
        QCOMPARE(player.exitCode(), 0);
    }

    void stopDaemon() {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_daemon.processId()), SIGTERM);
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(2000);
        }
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
        else
            m_skip = startDaemon();
    }

    void cleanupTestCase() { stopDaemon(); }

    void speechIntoTheMicrophone_raisesTheCommandsItNames() {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable("no virtual microphone: " + m_skip));
        SphinxSpeechInput input; // the default microphone, as the program uses it
        QVERIFY2(input.isAvailable(), qPrintable(input.unavailableReason()));
        QStringList heard;
        listenForTovrinsCommands(input, heard);
        QVERIFY(input.isListening());

        const QList<std::pair<QString, QString>> said = {
            {"real chat", "rchat"}, {"how old are you", "theageoftovrin"}, {"open the window", ""}};
        for (const auto& [text, command] : said) {
            const qsizetype before = heard.size();
            play(text, m_runtime.filePath("said.wav"));
            QTRY_COMPARE_WITH_TIMEOUT(heard.size(), before + 1, 15000);
            QCOMPARE(heard.last(), command);
        }
        input.stopListening();
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
        QVERIFY(pactl({"load-module", "module-remap-source", "master=mic.monitor",
                       "source_name=later", "source_properties=device.description=Later"},
                      &module));
        QTRY_VERIFY_WITH_TIMEOUT(input.isAvailable() && !changed.isEmpty(), 8000);
        input.startListening();
        QVERIFY(input.isListening());

        // Pulled out while listening: the session ends with the reason, no crash.
        const int before = int(changed.count());
        QVERIFY(pactl({"unload-module", module.trimmed()}));
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
        QStringList heard;
        listenForTovrinsCommands(input, heard);
        QVERIFY(input.isListening());

        // The server goes away while Tovrin listens, and comes back.
        stopDaemon();
        QTRY_VERIFY_WITH_TIMEOUT(!input.isListening(), 8000);
        m_skip = startDaemon();
        QVERIFY2(m_skip.isEmpty(), qPrintable(m_skip));
        QTRY_VERIFY_WITH_TIMEOUT(input.isAvailable(), 10000);
        input.startListening();
        QVERIFY(input.isListening());
        play("real chat", m_runtime.filePath("said.wav"));
        QTRY_COMPARE_WITH_TIMEOUT(heard, QStringList{"rchat"}, 15000);
    }
};

QTEST_GUILESS_MAIN(VirtualMicrophoneTest)
#include "VirtualMicrophoneTest.moc"
