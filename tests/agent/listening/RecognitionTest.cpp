#include "SpeechSamples.h"
#include "agent/listening/CommandRecognizer.h"
#include "agent/listening/ListeningEngine.h"
#include "agent/listening/PronunciationResolver.h"

#include <QtTest>

using namespace tk;
using namespace tk::agent;
using namespace tk::agent::listening;

namespace {

struct Heard {
    int hearingStarted = 0;
    QStringList commands;
    QStringList phrases;
    QString details; // what was decoded and how confidently, for failure messages
};

} // namespace

// Synthesized speech through the listening engine: the same detector and
// decoders the microphone's audio goes through.
class RecognitionTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ListeningEngine> m_engine;
    unsigned m_seed = 1;

    Heard listen(const QString& text, const QString& voice, double snrDb = 25) {
        const auto speech = test::SpeechSamples::speak(text, voice);
        Heard heard;
        for (const ListeningEvent& event :
             m_engine->push(test::SpeechSamples::inNoise(speech, snrDb, 400, 900, ++m_seed))) {
            if (event.kind == ListeningEvent::Kind::HearingStarted) {
                ++heard.hearingStarted;
            } else {
                const Recognition& r = event.recognition;
                heard.commands.append(r.command);
                heard.phrases.append(r.phrase);
                heard.details += QString("[%1: score %2 coverage %3] ")
                                     .arg(r.decoded)
                                     .arg(r.confidence.scorePerFrame, 0, 'f', 2)
                                     .arg(r.confidence.coverage, 0, 'f', 2);
            }
        }
        return heard;
    }

private slots:
    void initTestCase() {
        QString skipReason, error;
        m_engine = test::tovrinEngine(&skipReason, &error);
        if (!skipReason.isEmpty())
            QSKIP(qPrintable(skipReason));
        QVERIFY2(m_engine, qPrintable(error));
        QCOMPARE(m_engine->unpronounceableWords(), QStringList{});
        QCOMPARE(m_engine->recognizer().grammar().phrases().size(), 98); // 77 and expansions
        m_engine->push(test::SpeechSamples::backgroundNoise(1500, 25));
    }

    void cataloguePhrases_raiseTheirCommands_data() {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("command");
        // One or two phrases of each command, the words missing from the model's
        // dictionary among them, in two voices.
        const auto row = [](const char* phrase, const char* voice, const char* command) {
            QTest::newRow(phrase) << QString(phrase) << QString(voice) << QString(command);
        };
        row("real chat", "en-us", "rchat");
        row("vchat", "en-us+f3", "rchat");
        row("how old are you", "en-us", "theageoftovrin");
        row("what's your age, tovrin?", "en-us+f3", "theageoftovrin");
        row("hey tovrin", "en-us", "hello");
        row("f1", "en-us", "help");
        row("readme", "en-us+f3", "help");
        row("what's your creator's name?", "en-us", "theauthor");
        row("what's your programmer's name?", "en-us+f3", "theauthor");
        row("who is your mother?", "en-us", "themotherofyours");
        row("what's the name of your father?", "en-us+f3", "thefatherofyours");
        row("settings", "en-us", "optionse");
        row("get out of here", "en-us+f3", "exitpr");
        row("how's it going?", "en-us", "howareu");
        row("what can I call you?", "en-us+f3", "thenameoftovrin");
        row("I need some rest", "en-us", "tired");
    }
    void cataloguePhrases_raiseTheirCommands() {
        QFETCH(QString, phrase);
        QFETCH(QString, voice);
        QFETCH(QString, command);
        const Heard heard = listen(phrase, voice);
        QCOMPARE(heard.hearingStarted, 1);
        QVERIFY2(heard.commands == QStringList{command}, qPrintable(heard.details));
    }

    void phraseInDigitalSilence_raisesItsCommand() {
        // A muted or virtual microphone delivers exact zeros around the speech.
        const auto speech = test::SpeechSamples::speak("how old are you", "en-us");
        std::vector<std::int16_t> clip(400 * 16, 0);
        clip.insert(clip.end(), speech.begin(), speech.end());
        clip.resize(clip.size() + 900 * 16, 0);
        QStringList commands;
        for (const ListeningEvent& event : m_engine->push(clip)) {
            if (event.kind == ListeningEvent::Kind::Heard)
                commands.append(event.recognition.command);
        }
        QCOMPARE(commands, QStringList{"theageoftovrin"});
        // And noisy audio after it is not thrown off.
        QCOMPARE(listen("real chat", "en-us").commands, QStringList{"rchat"});
    }

    void cleanAudio_acceptsExactDecodesAndStillRejectsOtherSpeech() {
        // Digitally clean speech between exact zeros, as from a virtual microphone:
        // phrases decoded exactly raise their commands, other speech none.
        const auto inSilence = [](const std::vector<std::int16_t>& speech) {
            std::vector<std::int16_t> clip(400 * 16, 0);
            clip.insert(clip.end(), speech.begin(), speech.end());
            clip.resize(clip.size() + 900 * 16, 0);
            return clip;
        };
        const QList<std::pair<QString, QString>> phrases = {
            {"what's your name?", "thenameoftovrin"},
            {"options", "optionse"},
            {"who is your mother?", "themotherofyours"},
            {"how are you?", "howareu"}};
        const QStringList unrelated = {"open the window", "tell me a joke", "I like pizza",
                                       "turn off the lights"};
        for (const QString& voice : {QString("en-us"), QString("flite:rms")}) {
            if (test::SpeechSamples::speak("test", voice).empty()) {
                qWarning("no speech from %s", qPrintable(voice));
                continue;
            }
            for (const auto& [phrase, command] : phrases) {
                QStringList heard;
                for (const ListeningEvent& event :
                     m_engine->push(inSilence(test::SpeechSamples::speak(phrase, voice)))) {
                    if (event.kind == ListeningEvent::Kind::Heard)
                        heard.append(event.recognition.command + " (" + event.recognition.decoded +
                                     QString(" %1)").arg(event.recognition.confidence.scorePerFrame,
                                                         0, 'f', 2));
                }
                QVERIFY2(heard.size() == 1 && heard.first().startsWith(command + " "),
                         qPrintable(voice + ": " + phrase + ": " + heard.join(", ")));
            }
            for (const QString& sentence : unrelated) {
                for (const ListeningEvent& event :
                     m_engine->push(inSilence(test::SpeechSamples::speak(sentence, voice)))) {
                    QVERIFY2(
                        event.kind != ListeningEvent::Kind::Heard ||
                            event.recognition.command.isEmpty(),
                        qPrintable(voice + ": " + sentence + " -> " + event.recognition.command));
                }
            }
        }
    }

    void pauseBeforeTheRest_decodesTheWholePhrase() {
        // "what is your age" is a phrase of its own that a longer one continues: the
        // pause after it must not end the utterance, and the decode made at the pause
        // must give way to one of all the audio.
        const auto first = test::SpeechSamples::speak("what is your age", "en-us");
        const auto rest = test::SpeechSamples::speak("tovrin", "en-us");
        std::vector<std::int16_t> speech(
            first.begin(), first.begin() + std::ptrdiff_t(test::SpeechSamples::speechEnd(first)));
        speech.resize(speech.size() + 250 * 16, 0); // the pause (noise is mixed in below)
        speech.insert(speech.end(), rest.begin(), rest.end());
        Heard heard;
        for (const ListeningEvent& event :
             m_engine->push(test::SpeechSamples::inNoise(speech, 25, 400, 900, ++m_seed))) {
            if (event.kind == ListeningEvent::Kind::Heard) {
                heard.commands.append(event.recognition.command);
                heard.phrases.append(event.recognition.phrase);
                heard.details += event.recognition.decoded + " ";
            }
        }
        QVERIFY2(heard.phrases == QStringList{"what is your age, tovrin?"},
                 qPrintable(heard.details));
        QCOMPARE(heard.commands, QStringList{"theageoftovrin"});
    }

    void unrelatedSentences_mostlyRaiseTheEmptyName() {
        const QStringList sentences = {
            "open the window",       "tell me a joke",   "the weather is nice today",
            "turn off the lights",   "I like pizza",     "my computer is slow",
            "good morning everyone", "where is my phone"};
        int accepted = 0;
        for (const QString& sentence : sentences) {
            const Heard heard = listen(sentence, "en-us");
            QCOMPARE(heard.commands.size(), 1); // one utterance, always answered
            if (!heard.commands.first().isEmpty())
                ++accepted;
        }
        QVERIFY2(accepted <= 1, qPrintable(QString::number(accepted)));
        QCOMPARE(listen("open the window", "en-us+f3").commands, QStringList{""});
    }

    void spokenExpansionsNameAndPlease_raiseTheCommandOfTheWrittenPhrase_data() {
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("phrase");
        const auto row = [](const char* said, const char* voice, const char* command,
                            const char* phrase) {
            QTest::newRow(said) << QString(said) << QString(voice) << QString(command)
                                << QString(phrase);
        };
        row("what is your mother's name", "en-us", "themotherofyours",
            "what's your mother's name?");
        row("I am so tired", "en-us+f3", "tired", "I'm so tired");
        row("Tovrin, how old are you?", "en-us", "theageoftovrin", "how old are you?");
        row("Tovrin, who is your father please", "en-us+f3", "thefatherofyours",
            "who's your father?");
        row("options please", "en-us", "optionse", "options");
    }
    void spokenExpansionsNameAndPlease_raiseTheCommandOfTheWrittenPhrase() {
        QFETCH(QString, said);
        QFETCH(QString, voice);
        QFETCH(QString, command);
        QFETCH(QString, phrase);
        const Heard heard = listen(said, voice);
        QVERIFY2(heard.commands == QStringList{command}, qPrintable(heard.details));
        QCOMPARE(heard.phrases, QStringList{phrase});
    }

    void nameRequired_onlyPhrasesLedByTheNameAreReportedAndNothingElse() {
        m_engine->setNameRequired(true);
        const auto restore = qScopeGuard([this] { m_engine->setNameRequired(false); });
        // A command phrase without the name, and other talk: not a sign of hearing.
        for (const char* said : {"how old are you?", "the weather is nice today", "hey tovrin"}) {
            const Heard heard = listen(said, "en-us");
            QVERIFY2(heard.commands.isEmpty() && heard.hearingStarted == 0,
                     qPrintable(QString(said) + ": " + heard.details));
        }
        const Heard addressed = listen("Tovrin, how old are you?", "en-us");
        QCOMPARE(addressed.hearingStarted, 0);
        QVERIFY2(addressed.commands == QStringList{"theageoftovrin"},
                 qPrintable(addressed.details));
        // A long stretch of talk is given up on without a decode.
        const QString longTalk = "Tovrin the quick brown fox jumps over the lazy dog and then runs "
                                 "far away into the deep dark forest where nobody can find it";
        QVERIFY(listen(longTalk, "en-us").commands.isEmpty());
    }

    void nameRequired_talkNotLedByTheNameIsGivenUpWithinASecond() {
        m_engine->setNameRequired(true);
        const auto restore = qScopeGuard([this] { m_engine->setNameRequired(false); });
        const auto speech = test::SpeechSamples::speak(
            "the meeting has been moved to thursday afternoon because half of the team is "
            "travelling",
            "en-us");
        const auto clip = test::SpeechSamples::inNoise(speech, 30, 400, 900, ++m_seed);
        bool givenUp = false;
        for (std::size_t at = 0; at < clip.size(); at += 320) {
            const std::size_t n = std::min<std::size_t>(320, clip.size() - at);
            QVERIFY(m_engine->push(std::span<const std::int16_t>(clip.data() + at, n)).empty());
            // Still speech to the detector, no longer decoded.
            if (m_engine->inUtterance() && m_engine->detector().utteranceFrames() <= 120 &&
                !m_engine->recognizer().inUtterance())
                givenUp = true;
        }
        QVERIFY(givenUp);
    }

    void nameRequired_nameSaidAloneLeadsThePhraseAfterIt() {
        m_engine->setNameRequired(true);
        const auto restore = qScopeGuard([this] { m_engine->setNameRequired(false); });
        const auto name = test::SpeechSamples::speak("Tovrin", "en-us");
        const auto phrase = test::SpeechSamples::speak("how old are you", "en-us");
        std::vector<std::int16_t> speech(name.begin(), name.end());
        speech.resize(speech.size() + 700 * 16, 0); // the name ends as an utterance of its own
        speech.insert(speech.end(), phrase.begin(), phrase.end());
        Heard heard;
        for (const ListeningEvent& event :
             m_engine->push(test::SpeechSamples::inNoise(speech, 30, 400, 900, ++m_seed))) {
            if (event.kind == ListeningEvent::Kind::Heard) {
                heard.commands.append(event.recognition.command);
                heard.details += event.recognition.decoded + " ";
            }
        }
        QVERIFY2(heard.commands == QStringList{"theageoftovrin"}, qPrintable(heard.details));
    }

    void commandChanges_rebuildTheGrammar() {
        QList<VoiceCommand> commands = test::voiceCommandsOf(test::tovrinCatalogue());
        commands.append(VoiceCommand{"window", {"Open the window!"}});
        m_engine->setCommands(commands, "Tovrin");
        const Heard heard = listen("open the window", "en-us");
        QCOMPARE(heard.commands, QStringList{"window"});
        QCOMPARE(heard.phrases, QStringList{"Open the window!"});
        // Without any command, every utterance gives the empty name.
        m_engine->setCommands({});
        QVERIFY(m_engine->recognizer().grammar().isEmpty());
        QCOMPARE(listen("real chat", "en-us").commands, QStringList{""});
        // The catalogue again: the added command is gone, the catalogue's are back.
        m_engine->setCommands(test::voiceCommandsOf(test::tovrinCatalogue()), "Tovrin");
        QCOMPARE(listen("open the window", "en-us").commands, QStringList{""});
        QCOMPARE(listen("real chat", "en-us").commands, QStringList{"rchat"});
    }
};

QTEST_GUILESS_MAIN(RecognitionTest)
#include "RecognitionTest.moc"
