#include "agent/speech/AudioPort.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "agent/speech/PlaybackClock.h"
#include "agent/speech/SpeechRecording.h"
#include "platform/sound/SoundServer.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace tk::agent;
using namespace tk::agent::speech;

namespace {

// Everything one output says, in order.
struct Listener {
    explicit Listener(SpeechOutput& output) {
        QObject::connect(&output, &SpeechOutput::wordStarted, [this](int position, int length) {
            words << QString("%1+%2").arg(position).arg(length);
            wordTimes << clock.elapsed();
        });
        QObject::connect(&output, &SpeechOutput::mouthChanged,
                         [this](MouthShape shape) { mouths << shape; });
        QObject::connect(&output, &SpeechOutput::finished, [this] {
            ++finished;
            finishTimes << clock.elapsed();
        });
        clock.start();
    }
    QStringList spoken(const QString& text) const {
        QStringList out;
        for (const QString& word : words) {
            const QStringList parts = word.split('+');
            out << text.mid(parts[0].toInt(), parts[1].toInt());
        }
        return out;
    }
    QElapsedTimer clock;
    QStringList words;
    QList<qint64> wordTimes;
    QList<MouthShape> mouths;
    QList<qint64> finishTimes;
    int finished = 0;
};

// Quick speech keeps the tests short where the words' timing is not the point.
VoiceSettings quick() {
    VoiceSettings voice;
    voice.rate = 320;
    return voice;
}

} // namespace

class SpeechOutputTest : public QObject {
    Q_OBJECT
private slots:
    void speech_takesItsAudioTime_withWordsAndMouthInStep() {
        const QString text = "Nice to see you again, Sam";
        const SpeechRecording recording = recordSpeech(text, VoiceSettings{}, 1033);
        EspeakSpeechOutput output;
        Listener listener(output);
        output.speak(text, VoiceSettings{}, 1033);
        QVERIFY(output.isSpeaking());
        QTRY_COMPARE_WITH_TIMEOUT(listener.finished, 1, 15000);
        QVERIFY(!output.isSpeaking());
        // Not before the audio could have been heard: a generous lower bound.
        QVERIFY2(listener.finishTimes[0] >= recording.durationMs() * 8 / 10,
                 qPrintable(QString::number(listener.finishTimes[0])));
        QCOMPARE(listener.spoken(text), QStringList({"Nice", "to", "see", "you", "again", "Sam"}));
        // "Sam" is heard well after the start, never with the first word.
        QVERIFY(listener.wordTimes.last() - listener.wordTimes.first() >=
                recording.durationMs() / 2);
        QVERIFY(listener.mouths.size() >= 5);
        QCOMPARE(listener.mouths.last(), MouthShape::Closed);
        QTest::qWait(100);
        QCOMPARE(listener.finished, 1);
    }

    void speeches_followOneAnother_inOrder_alsoWhileAModalDialogWaits() {
        const QStringList texts{"Welcome!", "I see.", "Tell me, what's your name?"};
        EspeakSpeechOutput output;
        Listener listener(output);
        QDialog dialog;
        int next = 0;
        QStringList heard;
        QObject::connect(&output, &SpeechOutput::finished, [&] {
            heard << listener.spoken(texts[next]).join(' ');
            listener.words.clear();
            if (++next < texts.size())
                output.speak(texts[next], quick(), 1033);
            else
                dialog.accept();
        });
        output.speak(texts[0], quick(), 1033);
        QTimer::singleShot(15000, &dialog, &QDialog::reject); // never hang the test
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(heard, QStringList({"Welcome", "I see", "Tell me what's your name"}));
        qint64 total = 0;
        for (const QString& text : texts)
            total += recordSpeech(text, quick(), 1033).durationMs();
        QVERIFY(listener.finishTimes.last() >= total * 8 / 10);
    }

    void emptyText_completesAtOnce_afterSpeakReturns() {
        EspeakSpeechOutput output;
        Listener listener(output);
        output.speak("", quick(), 1033);
        QCOMPARE(listener.finished, 0); // never inside speak()
        QVERIFY(output.isSpeaking());
        QTRY_COMPARE(listener.finished, 1);
        QVERIFY(!output.isSpeaking());
        QVERIFY(listener.words.isEmpty());
        // Stopped before its turn, it does not complete at all.
        output.speak("", quick(), 1033);
        output.stop();
        QTest::qWait(50);
        QCOMPARE(listener.finished, 1);
    }

    void stop_endsTheSpeechAtOnce_withNoFurtherSignals() {
        EspeakSpeechOutput output;
        Listener listener(output);
        // Stopped from inside a word's own signal, as a character unload may do.
        const auto stopper =
            QObject::connect(&output, &SpeechOutput::wordStarted, &output, [&](int position, int) {
                if (position >= 8)
                    output.stop();
            });
        output.speak("One two three four five six seven eight nine ten", quick(), 1033);
        QTRY_VERIFY_WITH_TIMEOUT(!output.isSpeaking(), 15000);
        const int words = listener.words.size();
        const int mouths = listener.mouths.size();
        QCOMPARE(words, 3); // "One", "two", then "three" stops it
        QTest::qWait(400);
        QCOMPARE(listener.words.size(), words);
        QCOMPARE(listener.mouths.size(), mouths);
        QCOMPARE(listener.finished, 0);

        // A new speech replaces one under way (a long one, which starts at once):
        // only its own words and one finish.
        QObject::disconnect(stopper);
        QString longText;
        while (longText.size() < 5000)
            longText += "A long story that goes on and on, and then on again. ";
        output.speak(longText, quick(), 1033);
        QTRY_VERIFY(!listener.words.isEmpty() && listener.words.size() > words);
        listener.words.clear();
        output.speak("Hi there", quick(), 1033);
        QTRY_COMPARE_WITH_TIMEOUT(listener.finished, 1, 15000);
        QCOMPARE(listener.spoken("Hi there"), QStringList({"Hi", "there"}));
    }

    void playbackClock_followsAudioHandedOver() {
        PlaybackClock clock(1000); // 1000 samples a second
        QCOMPARE(clock.position(0), 0);
        clock.wrote(500, 0);
        QCOMPARE(clock.position(200000), 200);
        // Running dry: the clock waits at the end of what was written...
        QCOMPARE(clock.position(900000), 500);
        // ...and goes on from there with the next audio.
        clock.wrote(500, 1000000);
        QCOMPARE(clock.position(1000000), 500);
        QCOMPARE(clock.position(1300000), 800);
        QCOMPARE(clock.position(5000000), 1000);
        QCOMPARE(clock.written(), 1000);
    }

    void soundServerStartingLater_isTriedForTheNextSpeech() {
        bool answers = false;
        tk::SoundServer server([&] { return answers; }, 10);
        AudioPortChooser chooser(true, nullptr, &server);
        // No server yet: silent speech at its natural pace, no output asked for.
        QVERIFY(!chooser.deviceUsable());
        QVERIFY(!chooser.open(22050)->audible());
        answers = true;
        QTRY_VERIFY(chooser.deviceUsable());
    }

    void outputFailing_isLeftAloneForAWhile_orUntilTheServerIsBack() {
        bool answers = true;
        tk::SoundServer server([&] { return answers; }, 10);
        AudioPortChooser chooser(true, nullptr, &server, 300);
        QVERIFY(chooser.deviceUsable());
        // The output failed but the server still answers: the output itself is
        // at fault, and it is left alone for a while.
        chooser.deviceFailed();
        QTest::qWait(100);
        QVERIFY(!chooser.deviceUsable());
        QTRY_VERIFY(chooser.deviceUsable());
        // The server went away with the output: nothing is tried until it is
        // back, however long that takes.
        answers = false;
        chooser.deviceFailed();
        QTest::qWait(500);
        QVERIFY(!chooser.deviceUsable());
        answers = true;
        QTRY_VERIFY(chooser.deviceUsable());
    }
};

QTEST_MAIN(SpeechOutputTest)
#include "SpeechOutputTest.moc"
