#include "platform/sound/SoundOutput.h"

#include "SoundServer.h"
#include "platform/desktop/SoundPlayer.h"
#include "platform/sound/SoundFile.h"
#include "platform/sound/SoundServer.h"

#include <QElapsedTimer>
#include <QtTest>
#include <cmath>
#include <vector>

using namespace tk;

namespace {

constexpr int kRate = 22050;

// A loud 440 Hz tone of milliseconds at kRate, as bytes.
QByteArray tone(int milliseconds) {
    std::vector<std::int16_t> samples(std::size_t(kRate / 1000.0 * milliseconds));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(16000 * std::sin(2 * M_PI * 440 * double(i) / kRate));
    return QByteArray(reinterpret_cast<const char*>(samples.data()),
                      qsizetype(samples.size() * sizeof(std::int16_t)));
}

// Seconds from the first loud sample of 16-bit audio to its last.
double loudSpan(const QByteArray& pcm, int rate) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < count; ++i) {
        if (std::abs(int(samples[i])) > 300) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return first < 0 ? 0 : double(last - first) / rate;
}

// Hands all of audio to output, as fast as it takes it.
void writeAll(SoundOutput& output, const QByteArray& audio) {
    qsizetype offset = 0;
    QElapsedTimer waited;
    waited.start();
    while (offset < audio.size() && waited.elapsed() < 10000) {
        const qint64 taken = output.write(audio.constData() + offset, audio.size() - offset);
        offset += taken;
        if (taken == 0)
            QTest::qWait(10);
    }
    QCOMPARE(offset, audio.size());
}

} // namespace

class SoundOutputTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::SoundServer> m_server;

private slots:
    void init() {
        const QString missing = test::SoundServer::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        m_server = std::make_unique<test::SoundServer>();
        QVERIFY2(m_server->error().isEmpty(), qPrintable(m_server->error()));
        m_server->useInThisProcess();
        QVERIFY(m_server->listenToSpeaker());
    }

    void cleanup() { m_server.reset(); }

    void sound_isHeardToItsEnd_atItsOwnPace_evenWhenShorterThanTheServerGathers() {
        for (const int milliseconds : {600, 40}) {
            QString error;
            std::unique_ptr<SoundOutput> output = SoundOutput::open(kRate, &error);
            QVERIFY2(output, qPrintable(error));
            QElapsedTimer clock;
            clock.start();
            const QByteArray audio = tone(milliseconds);
            writeAll(*output, audio);
            output->finish();
            QCOMPARE(output->writtenFrames(), audio.size() / 2);
            // What is heard only grows, never past what was written, and it
            // reaches the end no sooner than the sound lasts.
            qint64 heard = 0;
            while (heard < output->writtenFrames() && clock.elapsed() < 5000) {
                const qint64 now = output->heardFrames();
                QVERIFY2(now >= heard && now <= output->writtenFrames(),
                         qPrintable(QStringLiteral("%1 after %2").arg(now).arg(heard)));
                heard = now;
                QTest::qWait(5);
            }
            QCOMPARE(heard, output->writtenFrames());
            QVERIFY2(clock.elapsed() >= milliseconds * 8 / 10,
                     qPrintable(QString::number(clock.elapsed())));
            QVERIFY(!output->failed());
        }
        QVERIFY2(m_server->speakerPeak() > 0.3,
                 qPrintable(QString::number(m_server->speakerPeak())));
    }

    void audioBeyondTheBuffer_waitsForRoom() {
        std::unique_ptr<SoundOutput> output = SoundOutput::open(kRate);
        QVERIFY(output);
        const QByteArray audio = tone(1500);
        const qint64 first = output->write(audio.constData(), audio.size());
        QVERIFY2(first > 0 && first < audio.size(), qPrintable(QString::number(first)));
        // The rest goes as the sound plays.
        writeAll(*output, audio.mid(first));
        QCOMPARE(output->writtenFrames(), audio.size() / 2);
    }

    void serverGoingAway_failsTheOutput_andSaysTheServerWentWithIt() {
        std::unique_ptr<SoundOutput> output = SoundOutput::open(kRate);
        QVERIFY(output);
        const QByteArray audio = tone(800);
        QCOMPARE(output->write(audio.constData(), audio.size()), audio.size());
        QTRY_VERIFY(output->heardFrames() > 0);
        m_server->crash();
        QTRY_VERIFY_WITH_TIMEOUT(output->failed(), 5000);
        QVERIFY(output->serverGone());
        // Nothing more is taken, and ending it does not wait on the server.
        QCOMPARE(output->write(audio.constData(), audio.size()), 0);
        QElapsedTimer ending;
        ending.start();
        output.reset();
        QVERIFY(ending.elapsed() < 1000);
    }

    void soundFile_isPlayedToTheSpeakerToItsEnd() {
        // The whole sound at its own pace: from its first audible sample to its
        // last takes as long as in the file.
        const QString path = QStringLiteral(TK_SOURCE_DIR "/data/snds/welcome.mp3");
        const SoundFile sound = SoundFile::read(path);
        const double fileSpan = loudSpan(sound.pcm, sound.sampleRate);
        QVERIFY2(fileSpan > 1.0, qPrintable(QString::number(fileSpan)));
        tk::SoundServer server([] { return true; });
        ServerSoundPlayer player(server);
        player.play(path);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->speakerPeak() > 0.1, 3000);
        // Long enough for the speaker's recording to catch up with the end.
        QTest::qWait(int(fileSpan * 1000) + 1500);
        const double heardSpan = loudSpan(m_server->speakerSound(), 16000);
        QVERIFY2(std::abs(heardSpan - fileSpan) < 0.1,
                 qPrintable(QStringLiteral("%1 s heard of %2 s").arg(heardSpan).arg(fileSpan)));
    }
};

QTEST_GUILESS_MAIN(SoundOutputTest)
#include "SoundOutputTest.moc"
