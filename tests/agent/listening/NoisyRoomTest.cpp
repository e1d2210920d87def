#include "SpeechSamples.h"
#include "agent/listening/CommandRecognizer.h"
#include "agent/listening/ListeningEngine.h"
#include "agent/listening/PronunciationResolver.h"

#include <QtTest>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;
using test::Noise;

Q_DECLARE_METATYPE(tk::test::Noise)

namespace {

struct Heard {
    QStringList commands; // one per utterance heard
    QString details;      // what was decoded, for failure messages
    double lateMs = -1;   // from the end of the speech to the first utterance heard
};

} // namespace

// Synthesized speech in steady fan-like noise and in background talk, through the
// listening engine: each phrase is one utterance that ends soon after the speech.
class NoisyRoomTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ListeningEngine> m_engine;
    unsigned m_seed = 40;

    // Plays speech in noise (leadMs of it before the speech) to the engine in 20 ms
    // pieces, as a microphone would.
    Heard listen(const std::vector<std::int16_t>& speech, double snr, Noise noise,
                 int leadMs = 400) {
        const auto clip = test::SpeechSamples::inNoise(speech, snr, leadMs, 1200, ++m_seed, noise);
        const std::size_t speechEnd =
            std::size_t(leadMs) * 16 + test::SpeechSamples::speechEnd(speech);
        Heard heard;
        for (std::size_t at = 0; at < clip.size(); at += 320) {
            const std::size_t n = std::min<std::size_t>(320, clip.size() - at);
            for (const ListeningEvent& event :
                 m_engine->push(std::span<const std::int16_t>(clip.data() + at, n))) {
                if (event.kind != ListeningEvent::Kind::Heard)
                    continue;
                heard.commands.append(event.recognition.command);
                heard.details += "[" + event.recognition.decoded + "] ";
                if (heard.lateMs < 0)
                    heard.lateMs = (double(at + n) - double(speechEnd)) / 16.0;
            }
        }
        return heard;
    }

    // The noise has been on for a while when the user speaks.
    void enterRoom(double snr, Noise noise) {
        m_engine->reset();
        m_engine->push(test::SpeechSamples::backgroundNoise(2000, snr, ++m_seed, noise));
    }

private slots:
    void initTestCase() {
        QString skipReason, error;
        m_engine = test::tovrinEngine(&skipReason, &error);
        if (!skipReason.isEmpty())
            QSKIP(qPrintable(skipReason));
        QVERIFY2(m_engine, qPrintable(error));
    }

    void phrasesInNoise_endWithin300msOfTheSpeech_data() {
        QTest::addColumn<Noise>("noise");
        QTest::addColumn<double>("snr");
        QTest::addColumn<bool>("checkCommands");
        QTest::newRow("brown 20 dB") << Noise::Brown << 20.0 << true;
        QTest::newRow("brown 12 dB") << Noise::Brown << 12.0 << true;
        QTest::newRow("pink 20 dB") << Noise::Pink << 20.0 << true;
        // In background talk the timing is what is checked here: how well phrases
        // are recognized there is measured by the listening benchmark.
        QTest::newRow("babble 20 dB") << Noise::Babble << 20.0 << false;
    }
    void phrasesInNoise_endWithin300msOfTheSpeech() {
        QFETCH(Noise, noise);
        QFETCH(double, snr);
        QFETCH(bool, checkCommands);
        const QList<std::pair<QString, QString>> phrases = {
            {"options", "optionse"},
            {"how are you?", "howareu"},
            {"what's the name of your father?", "thefatherofyours"}};
        enterRoom(snr, noise);
        for (const auto& [phrase, command] : phrases) {
            const Heard heard = listen(test::SpeechSamples::speak(phrase, "en-us"), snr, noise);
            const QString what = phrase + ": " + heard.details;
            QVERIFY2(heard.commands.size() == 1, qPrintable(what));
            if (checkCommands)
                QVERIFY2(heard.commands.first() == command, qPrintable(what));
            QVERIFY2(heard.lateMs <= 300,
                     qPrintable(what + QString("ended %1 ms after the speech").arg(heard.lateMs)));
        }
    }

    void phraseThatOnlyItsOwnCommandContinues_endsBeforeTheFullHangover() {
        // "what's your age, tovrin?" raises the same command as "what's your age?":
        // a pause longer than a comma's ends the shorter phrase.
        enterRoom(20, Noise::Brown);
        const Heard heard =
            listen(test::SpeechSamples::speak("what's your age?", "en-us"), 20, Noise::Brown);
        QVERIFY2(heard.commands == QStringList{"theageoftovrin"}, qPrintable(heard.details));
        const int hangoverMs = m_engine->detector().settings().hangoverFrames * 10;
        QVERIFY2(heard.lateMs < hangoverMs - 100,
                 qPrintable(QString("ended %1 ms after the speech").arg(heard.lateMs)));
    }

    void shortPauseInsideAPhrase_doesNotSplitIt() {
        // A breath between words: the part before it is no phrase of its own.
        const auto first = test::SpeechSamples::speak("what's the name", "en-us");
        const auto rest = test::SpeechSamples::speak("of your father?", "en-us");
        std::vector<std::int16_t> speech(
            first.begin(), first.begin() + std::ptrdiff_t(test::SpeechSamples::speechEnd(first)));
        speech.resize(speech.size() + 250 * 16, 0);
        speech.insert(speech.end(), rest.begin(), rest.end());
        enterRoom(20, Noise::Brown);
        const Heard heard = listen(speech, 20, Noise::Brown);
        QVERIFY2(heard.commands == QStringList{"thefatherofyours"}, qPrintable(heard.details));
    }

    void phraseInLoudHiss_isHeardWithItsNoiseSuppressed() {
        // White noise 12 dB under the speech: with the steady noise turned down
        // before decoding the phrase is heard; as heard, the noise breaks it up.
        QVERIFY(m_engine->recognizer().noiseSuppression());
        const auto speech = test::SpeechSamples::speak("what's the name of your father?", "en-us");
        for (const unsigned seed : {40u, 240u}) {
            for (const bool suppressed : {true, false}) {
                m_engine->recognizer().setNoiseSuppression(suppressed);
                m_seed = seed;
                enterRoom(12, Noise::White);
                const Heard heard = listen(speech, 12, Noise::White);
                m_engine->recognizer().setNoiseSuppression(true);
                const QString what =
                    QString("seed %1, %2: %3")
                        .arg(seed)
                        .arg(suppressed ? "suppressed" : "as heard", heard.details);
                if (suppressed)
                    QVERIFY2(heard.commands == QStringList{"thefatherofyours"}, qPrintable(what));
                else
                    QVERIFY2(heard.commands != QStringList{"thefatherofyours"}, qPrintable(what));
            }
        }
    }

    void phraseSaidTheMomentListeningStarts_isHeardOnTime_data() {
        QTest::addColumn<Noise>("noise");
        QTest::addColumn<double>("snr");
        QTest::addColumn<int>("leadMs");
        QTest::newRow("room 25 dB, at once") << Noise::Room << 25.0 << 0;
        QTest::newRow("brown 20 dB, at once") << Noise::Brown << 20.0 << 0;
        QTest::newRow("white 20 dB, after 50 ms") << Noise::White << 20.0 << 50;
    }
    void phraseSaidTheMomentListeningStarts_isHeardOnTime() {
        // Nothing is known of the room: the listening key was pressed after a long
        // quiet and the phrase comes with it.
        QFETCH(Noise, noise);
        QFETCH(double, snr);
        QFETCH(int, leadMs);
        const QList<std::pair<QString, QString>> phrases = {
            {"real chat", "rchat"}, {"how are you?", "howareu"}, {"options", "optionse"}};
        for (const auto& [phrase, command] : phrases) {
            m_engine->reset();
            const Heard heard = listen(test::SpeechSamples::withoutLeadingSilence(
                                           test::SpeechSamples::speak(phrase, "en-us")),
                                       snr, noise, leadMs);
            const QString what = phrase + ": " + heard.details;
            QVERIFY2(heard.commands == QStringList{command}, qPrintable(what));
            QVERIFY2(heard.lateMs <= 300,
                     qPrintable(what + QString("ended %1 ms after the speech").arg(heard.lateMs)));
        }
    }
};

QTEST_GUILESS_MAIN(NoisyRoomTest)
#include "NoisyRoomTest.moc"
