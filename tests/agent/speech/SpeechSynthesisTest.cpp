#include "agent/speech/MouthShapes.h"
#include "agent/speech/SpeechEngine.h"
#include "agent/speech/SpeechRecording.h"
#include "agent/speech/VoiceChoice.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

using namespace tk::agent;
using namespace tk::agent::speech;

namespace {

QStringList spokenWords(const QString& text, const SpeechRecording& recording) {
    QStringList words;
    for (const SpeechCue& cue : recording.cues) {
        if (cue.kind == SpeechCue::Kind::Word)
            words << text.mid(cue.position, cue.length);
    }
    return words;
}

// Word cues lie inside the text, in text order, never split a surrogate pair
// and come in time order.
void verifyWordCues(const QString& text, const SpeechRecording& recording) {
    int lastPosition = -1;
    qint64 lastSample = 0;
    for (const SpeechCue& cue : recording.cues) {
        QVERIFY(cue.sample >= 0 && cue.sample <= recording.sampleCount() + recording.sampleRate);
        if (cue.kind != SpeechCue::Kind::Word)
            continue;
        QVERIFY2(cue.position > lastPosition, qPrintable(QString::number(cue.position)));
        QVERIFY(cue.length > 0 && cue.position + cue.length <= text.size());
        const int end = cue.position + cue.length;
        QVERIFY(cue.position == 0 || !text.at(cue.position - 1).isHighSurrogate() ||
                !text.at(cue.position).isLowSurrogate());
        QVERIFY(end == text.size() || !text.at(end - 1).isHighSurrogate() ||
                !text.at(end).isLowSurrogate());
        QVERIFY(cue.sample >= lastSample);
        lastPosition = cue.position;
        lastSample = cue.sample;
    }
}

} // namespace

class SpeechSynthesisTest : public QObject {
    Q_OBJECT
private slots:
    void wordCues_mapToTheSpokenWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("greeting") << QString("Nice to see you again, Sam") << 1033
                                  << QStringList{"Nice", "to", "see", "you", "again", "Sam"};
        QTest::newRow("accented") << QString("Café naïve über") << 1033
                                  << QStringList{"Café", "naïve", "über"};
        QTest::newRow("cyrillic") << QString("Привет, как дела?") << 1049
                                  << QStringList{"Привет", "как", "дела"};
        QTest::newRow("cyrillic read by English voice")
            << QString("Привет, как дела?") << 1033 << QStringList{"Привет", "как", "дела"};
        QTest::newRow("chinese") << QString("你好世界") << 2052
                                 << QStringList{"你", "好", "世", "界"};
        QTest::newRow("after astral characters")
            << QString("𝄞 music 𝄞 notes") << 1033 << QStringList{"music", "notes"};
        QTest::newRow("markup is spoken as text") << QString("<speak>Hello</speak>") << 1033
                                                  << QStringList{"speak", "Hello", "/", "speak"};
    }
    void wordCues_mapToTheSpokenWords() {
        QFETCH(QString, text);
        QFETCH(int, languageId);
        QFETCH(QStringList, words);
        const SpeechRecording recording = recordSpeech(text, VoiceSettings{}, languageId);
        QVERIFY2(recording.error.isEmpty(), qPrintable(recording.error));
        QCOMPARE(spokenWords(text, recording), words);
        verifyWordCues(text, recording);
    }

    void awkwardTexts_synthesizeSafely_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("invalid UTF-8") << QString::fromUtf8("ab\xff\xfe\xc3 cd \xed\xa0\x80 ef");
        QTest::newRow("lone surrogates")
            << (QString("one ") + QChar(0xD800) + " two " + QChar(0xDC00) + QChar(0xDBFF));
        QTest::newRow("NUL and controls")
            << (QString("before") + QChar(0) + "after \x01\x1b[0m\t bell\a end");
        QTest::newRow("phoneme brackets and tags")
            << QString("[[h@'loU]] <audio src=\"x.wav\"/> <mark name=\"m\"/> &lt;");
        QTest::newRow("only punctuation and blanks") << QString(" ... !? ,  ");
        QString longText;
        while (longText.size() < 5000)
            longText += "The quick brown fox, naïve and happy, jumps over 13 lazy dogs. ";
        QTest::newRow("5000 characters") << longText.left(5000);
    }
    void awkwardTexts_synthesizeSafely() {
        QFETCH(QString, text);
        const SpeechRecording recording = recordSpeech(text, VoiceSettings{}, 1033);
        QVERIFY2(recording.error.isEmpty(), qPrintable(recording.error));
        QVERIFY(recording.sampleRate > 0);
        verifyWordCues(text, recording);
        if (text.size() == 5000) {
            // Words keep coming to the very end of a long text.
            QVERIFY(recording.durationMs() > 200000);
            QVERIFY(spokenWords(text, recording).size() > 800);
            QVERIFY(recording.cues.back().sample > recording.sampleCount() * 9 / 10);
        }
    }

    void synthesis_waitsForPlayback_andStopsWhenCancelled() {
        // Synthesis may run only a little ahead of playback, so a long text never
        // holds its whole audio in memory; cancelling ends it at once.
        QString longText;
        while (longText.size() < 3000)
            longText += "Speaking on and on without a pause. ";
        SpeechEngine& engine = SpeechEngine::instance();
        const qint64 ahead = 22050; // one second
        auto stream = engine.synthesize(longText, "en-us", VoiceSettings{}, ahead);
        qint64 produced = 0;
        QTRY_VERIFY((produced += stream->take().pcm.size() / 2) >= ahead);
        QTest::qWait(150);
        produced += stream->take().pcm.size() / 2;
        QVERIFY2(produced < 2 * ahead, qPrintable(QString::number(produced)));
        stream->reportPlayed(produced);
        QTRY_VERIFY((produced += stream->take().pcm.size() / 2) >= 2 * ahead);
        stream->cancel();
        stream->waitFinished();
        QTRY_VERIFY(stream->take().finished);
        // The engine is free again.
        const SpeechRecording after = recordSpeech("Still here.", VoiceSettings{}, 1033);
        QCOMPARE(spokenWords("Still here.", after), QStringList({"Still", "here"}));
    }

    void voice_followsTheLanguageAndKeepsTheVariant_data() {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("languageId");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("US English") << "en-us" << 1033 << "en-us";
        QTest::newRow("character's variant kept") << "en-us+m3" << 1033 << "en-us+m3";
        QTest::newRow("variant carried over") << "en-us+f2" << 2057 << "en-gb+f2";
        QTest::newRow("other language wins") << "de" << 1033 << "en-us";
        QTest::newRow("unknown id keeps the voice") << "de" << 4242 << "de";
        QTest::newRow("no voice at all") << "" << 0 << "en-us";
    }
    void voice_followsTheLanguageAndKeepsTheVariant() {
        QFETCH(QString, voice);
        QFETCH(int, languageId);
        QFETCH(QString, chosen);
        VoiceSettings settings;
        settings.voice = voice;
        QCOMPARE(chooseVoice(settings, languageId), chosen);
    }

    void mouthShapes_followTheSounds() {
        QCOMPARE(mouthShapeForPhoneme(u""), MouthShape::Closed);
        QCOMPARE(mouthShapeForPhoneme(u"m"), MouthShape::Closed);
        QCOMPARE(mouthShapeForPhoneme(u"ˈaɪ"), MouthShape::Open);
        QCOMPARE(mouthShapeForPhoneme(u"ˌiː"), MouthShape::Wide);
        QCOMPARE(mouthShapeForPhoneme(u"oʊ"), MouthShape::Round);
        QCOMPARE(mouthShapeForPhoneme(u"uː"), MouthShape::Pucker);
        QCOMPARE(mouthShapeForPhoneme(u"v"), MouthShape::Teeth);
        QCOMPARE(mouthShapeForPhoneme(u"θ"), MouthShape::Tongue);
        QCOMPARE(mouthShapeForPhoneme(u"tʃ"), MouthShape::Wide);
        // A real sentence moves the mouth through several shapes and ends closed.
        const SpeechRecording recording =
            recordSpeech("Wow, you move my whole mouth!", VoiceSettings{}, 1033);
        std::set<MouthShape> shapes;
        MouthShape last = MouthShape::Open;
        for (const SpeechCue& cue : recording.cues) {
            if (cue.kind == SpeechCue::Kind::Mouth)
                shapes.insert(last = cue.shape);
        }
        QVERIFY(shapes.size() >= 5);
        QCOMPARE(last, MouthShape::Closed);
    }

    void wavFile_holdsAudiblePhraseOfPlausibleLength() {
        const QString sox = QStandardPaths::findExecutable("sox");
        QVERIFY2(!sox.isEmpty(), "sox is needed (deps/debian-packages.txt)");
        QTemporaryDir dir;
        const QString path = dir.filePath("greeting.wav");
        const SpeechRecording recording =
            recordSpeech("Nice to see you again, Sam", VoiceSettings{}, 1033);
        QCOMPARE(writeWav(path, recording), QString());

        QProcess process;
        process.start(sox, {path, "-n", "stat"});
        QVERIFY(process.waitForFinished(10000));
        const QString report = QString::fromLocal8Bit(process.readAllStandardError());
        const auto value = [&](const QString& name) {
            const QRegularExpression line(QRegularExpression::escape(name) + R"(:\s*([-0-9.e]+))");
            const auto match = line.match(report);
            return match.hasMatch() ? match.captured(1).toDouble() : -1.0;
        };
        const double seconds = value("Length (seconds)");
        QVERIFY2(seconds > 1.0 && seconds < 4.0, qPrintable(report));
        QVERIFY2(value("Maximum amplitude") > 0.2, qPrintable(report));
        QVERIFY2(value("RMS     amplitude") > 0.02, qPrintable(report));
        QCOMPARE(qRound(seconds * 1000), qRound(recording.durationMs() / 1.0));

        QVERIFY(!writeWav(dir.filePath("missing/dir/x.wav"), recording).isEmpty());
        QVERIFY(!writeWav(dir.filePath("none.wav"), SpeechRecording{}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SpeechSynthesisTest)
#include "SpeechSynthesisTest.moc"
