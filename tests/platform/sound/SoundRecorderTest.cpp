#include "platform/sound/SoundRecorder.h"

#include "SoundServer.h"
#include "agent/speech/SpeechRecording.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <mutex>

using namespace tk;

Q_DECLARE_METATYPE(tk::SoundRecorder::Delivery)

namespace {

// A 16 kHz mono WAV: quiet, a loud 1 kHz tone of toneMs, quiet again.
bool writeToneWav(const QString& path, int toneMs) {
    std::vector<std::int16_t> samples(16 * (300 + toneMs + 600), 0);
    for (int i = 0; i < 16 * toneMs; ++i)
        samples[16 * 300 + i] = std::int16_t(12000 * std::sin(2 * M_PI * 1000 * i / 16000.0));
    agent::speech::SpeechRecording recording;
    recording.pcm = QByteArray(reinterpret_cast<const char*>(samples.data()),
                               qsizetype(samples.size() * sizeof(std::int16_t)));
    recording.sampleRate = 16000;
    return agent::speech::writeWav(path, recording).isEmpty();
}

// The loud stretch of audio (over a quarter of the tone's peak): how long it
// lasts and the frequency of its tone, from its zero crossings.
struct Tone {
    double milliseconds = 0;
    double hertz = 0;
};
Tone toneIn(const std::vector<std::int16_t>& audio) {
    const auto loud = [](std::int16_t s) { return std::abs(s) > 3000; };
    const auto first = std::find_if(audio.begin(), audio.end(), loud);
    const auto last = std::find_if(audio.rbegin(), audio.rend(), loud);
    if (first == audio.end())
        return {};
    const std::size_t begin = std::size_t(first - audio.begin());
    const std::size_t end = audio.size() - std::size_t(last - audio.rbegin());
    int crossings = 0;
    for (std::size_t i = begin + 1; i < end; ++i)
        crossings += (audio[i - 1] < 0) != (audio[i] < 0);
    const double seconds = double(end - begin) / 16000.0;
    return {1000 * seconds, crossings / 2.0 / seconds};
}

} // namespace

class SoundRecorderTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::SoundServer> m_server;
    QTemporaryDir m_files;

private slots:
    void init() {
        const QString missing = test::SoundServer::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_server = std::make_unique<test::SoundServer>();
        QVERIFY2(m_server->error().isEmpty(), qPrintable(m_server->error()));
        m_server->useInThisProcess();
        QVERIFY(writeToneWav(m_files.filePath("tone.wav"), 500));
    }

    void cleanup() { m_server.reset(); }

    void recording_hearsTheMicrophoneInPiecesOfTheAskedLength_data() {
        QTest::addColumn<SoundRecorder::Delivery>("delivery");
        QTest::newRow("owner's thread") << SoundRecorder::Delivery::OwnerThread;
        QTest::newRow("recording thread") << SoundRecorder::Delivery::RecordingThread;
    }

    void recording_hearsTheMicrophoneInPiecesOfTheAskedLength() {
        QFETCH(SoundRecorder::Delivery, delivery);
        SoundRecorder recorder(nullptr, delivery);
        recorder.setPieceDuration(120);
        // Kept under a lock: with the recording thread's delivery this test's
        // thread reads what that thread writes.
        std::mutex lock;
        std::vector<std::int16_t> heardAudio;
        std::vector<std::size_t> piecesHeard;
        bool wrongThread = false;
        connect(
            &recorder, &SoundRecorder::audio, this,
            [&](const std::vector<std::int16_t>& s) {
                const std::lock_guard guard(lock);
                wrongThread |= (QThread::currentThread() == thread()) !=
                               (delivery == SoundRecorder::Delivery::OwnerThread);
                heardAudio.insert(heardAudio.end(), s.begin(), s.end());
                piecesHeard.push_back(s.size());
            },
            Qt::DirectConnection);
        const auto heard = [&] {
            const std::lock_guard guard(lock);
            return heardAudio;
        };
        const auto pieces = [&] {
            const std::lock_guard guard(lock);
            return piecesHeard;
        };
        QSignalSpy failed(&recorder, &SoundRecorder::failed);
        QString error;
        QVERIFY2(recorder.start({}, &error), qPrintable(error));
        QVERIFY(recorder.isActive());
        QTRY_VERIFY(pieces().size() >= 3);
        QVERIFY(m_server->playIntoMicrophone(m_files.filePath("tone.wav")));
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > 16 * 2000, 5000);
        QTest::qWait(300);
        // The whole tone and nothing loud besides it, at 16 kHz: its pitch is right.
        const Tone tone = toneIn(heard());
        QVERIFY2(
            std::abs(tone.milliseconds - 500) < 50 && std::abs(tone.hertz - 1000) < 30,
            qPrintable(QStringLiteral("%1 ms at %2 Hz").arg(tone.milliseconds).arg(tone.hertz)));
        // Pieces of about 120 ms while that is asked (the first ones may be cut short).
        std::vector<std::size_t> sorted = pieces();
        sorted.erase(sorted.begin(), sorted.begin() + 2);
        std::sort(sorted.begin(), sorted.end());
        const std::size_t median = sorted[sorted.size() / 2];
        QVERIFY2(median >= 1440 && median <= 2400, qPrintable(QString::number(median)));

        recorder.setPieceDuration(40);
        QTest::qWait(300);
        const std::size_t earlier = pieces().size();
        QTRY_VERIFY(pieces().size() >= earlier + 9);
        sorted = pieces();
        sorted.erase(sorted.begin(), sorted.begin() + qsizetype(earlier) + 2);
        std::sort(sorted.begin(), sorted.end());
        QVERIFY2(sorted[sorted.size() / 2] <= 960,
                 qPrintable(QString::number(sorted[sorted.size() / 2])));
        QCOMPARE(failed.count(), 0);

        // Nothing arrives after stop(), not even what was already on its way.
        recorder.stop();
        QVERIFY(!recorder.isActive());
        const std::size_t before = heard().size();
        QTest::qWait(300);
        QCOMPARE(heard().size(), before);
        QVERIFY(!wrongThread);
    }

    void serverGoingAway_endsTheRecordingOnce_andAStartWithoutServerFails() {
        SoundRecorder recorder;
        QSignalSpy audio(&recorder, &SoundRecorder::audio);
        QSignalSpy failed(&recorder, &SoundRecorder::failed);
        QVERIFY(recorder.start({}));
        QTRY_VERIFY(!audio.isEmpty());
        m_server.reset();
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        QVERIFY(!recorder.isActive());
        QTest::qWait(200);
        QCOMPARE(failed.count(), 1);

        // No server: the start fails at once or reports it soon; either way it
        // does not hang and does not record.
        audio.clear();
        if (recorder.start({}))
            QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 2, 5000);
        QVERIFY(!recorder.isActive());
        QCOMPARE(audio.count(), 0);
    }

    void unknownInput_isReportedAsAFailure() {
        SoundRecorder recorder;
        QSignalSpy failed(&recorder, &SoundRecorder::failed);
        QVERIFY(recorder.start("no-such-input"));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 5000);
        QVERIFY(!failed.first().first().toString().isEmpty());
        QVERIFY(!recorder.isActive());
    }
};

QTEST_GUILESS_MAIN(SoundRecorderTest)
#include "SoundRecorderTest.moc"
