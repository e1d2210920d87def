#include "platform/sound/SoundFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace tk;

class SoundFileTest : public QObject {
    Q_OBJECT

private slots:
    void introSound_readsAsMonoAtItsRate() {
        QString error;
        const SoundFile sound =
            SoundFile::read(QStringLiteral(TK_SOURCE_DIR "/data/snds/welcome.mp3"), &error);
        QVERIFY2(!sound.pcm.isEmpty(), qPrintable(error));
        QCOMPARE(sound.sampleRate, 22050);
        // About two seconds of sound, not silence.
        const double seconds = sound.pcm.size() / 2.0 / sound.sampleRate;
        QVERIFY2(seconds > 1.5 && seconds < 2.5, qPrintable(QString::number(seconds)));
        const auto* samples = reinterpret_cast<const std::int16_t*>(sound.pcm.constData());
        int peak = 0;
        for (qsizetype i = 0; i < sound.pcm.size() / 2; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        QVERIFY2(peak > 3000, qPrintable(QString::number(peak)));
    }

    void missingOrDamagedFiles_areRefusedWithAReason() {
        QTemporaryDir dir;
        QFile text(dir.filePath("welcome.mp3"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write(QByteArray("not a sound at all\n").repeated(200));
        text.close();
        QFile empty(dir.filePath("empty.mp3"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        for (const QString& path : {dir.filePath("welcome.mp3"), dir.filePath("empty.mp3"),
                                    dir.filePath("missing.mp3")}) {
            QString error;
            const SoundFile sound = SoundFile::read(path, &error);
            QVERIFY2(sound.pcm.isEmpty(), qPrintable(path));
            QVERIFY2(!error.isEmpty(), qPrintable(path));
        }
    }

    void cutShort_keepsTheSoundBeforeTheCut() {
        QFile whole(QStringLiteral(TK_SOURCE_DIR "/data/snds/welcome.mp3"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QTemporaryDir dir;
        QFile half(dir.filePath("half.mp3"));
        QVERIFY(half.open(QIODevice::WriteOnly));
        const QByteArray bytes = whole.readAll();
        half.write(bytes.left(bytes.size() / 2));
        half.close();
        const SoundFile sound = SoundFile::read(half.fileName());
        const double seconds = sound.pcm.size() / 2.0 / sound.sampleRate;
        QVERIFY2(seconds > 0.6 && seconds < 1.4, qPrintable(QString::number(seconds)));
    }
};

QTEST_GUILESS_MAIN(SoundFileTest)
#include "SoundFileTest.moc"
