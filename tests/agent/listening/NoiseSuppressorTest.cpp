#include "agent/listening/NoiseSuppressor.h"

#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>

using namespace tk::agent::listening;

namespace {

std::vector<double> whiteNoise(std::size_t samples, double rms, unsigned seed) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> normal(0.0, rms);
    std::vector<double> noise(samples);
    for (double& x : noise)
        x = normal(generator);
    return noise;
}

std::vector<double> tone(std::size_t samples, double hz, double amplitude) {
    std::vector<double> wave(samples);
    for (std::size_t i = 0; i < samples; ++i)
        wave[i] = amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / 16000.0);
    return wave;
}

std::vector<std::int16_t> toSamples(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<std::int16_t> out(a.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        out[i] = std::int16_t(std::lround(a[i] + (i < b.size() ? b[i] : 0.0)));
    return out;
}

// The part of audio that lies along reference (a tone's amplitude as heard), and
// the rms of what is left: what a tone keeps and what noise remains around it.
struct Split {
    double along = 0;
    double rest = 0;
};

Split split(const std::vector<std::int16_t>& audio, const std::vector<double>& reference,
            std::size_t from, std::size_t to) {
    double dot = 0, energy = 0;
    for (std::size_t i = from; i < to; ++i) {
        dot += double(audio[i]) * reference[i];
        energy += reference[i] * reference[i];
    }
    const double scale = energy > 0 ? dot / energy : 0.0;
    double rest = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double left = double(audio[i]) - scale * reference[i];
        rest += left * left;
    }
    return {scale, std::sqrt(rest / double(to - from))};
}

} // namespace

class NoiseSuppressorTest : public QObject {
    Q_OBJECT
private slots:
    void toneInWhiteNoise_keepsTheToneAndTurnsTheNoiseDown() {
        constexpr std::size_t kNoiseLead = 3200, kLength = 3200 + 16000;
        const std::vector<double> noise = whiteNoise(kLength, 600.0, 7);
        std::vector<double> wave = tone(kLength, 1000.0, 3000.0);
        std::fill(wave.begin(), wave.begin() + kNoiseLead, 0.0);
        const std::vector<std::int16_t> heard = toSamples(wave, noise);

        NoiseSuppressor suppressor;
        suppressor.learnNoise(std::span(heard).first(kNoiseLead));
        QVERIFY(suppressor.hasNoise());
        const std::vector<std::int16_t> cleaned = suppressor.apply(heard);
        QCOMPARE(cleaned.size(), heard.size());

        // Away from the edges of the tone: the tone keeps nearly all of its
        // amplitude, the noise around it falls by more than 10 dB.
        const Split before = split(heard, wave, kNoiseLead + 1600, kLength - 1600);
        const Split after = split(cleaned, wave, kNoiseLead + 1600, kLength - 1600);
        QVERIFY2(after.along > 0.9 && after.along < 1.05, qPrintable(QString::number(after.along)));
        const double noiseDropDb = 20.0 * std::log10(before.rest / after.rest);
        QVERIFY2(noiseDropDb > 10.0, qPrintable(QString::number(noiseDropDb)));
        // Where there is noise alone, it falls towards the floor (-18 dB).
        const Split quiet = split(cleaned, wave, 600, kNoiseLead - 600);
        const double quietDropDb = 20.0 * std::log10(600.0 / quiet.rest);
        QVERIFY2(quietDropDb > 12.0, qPrintable(QString::number(quietDropDb)));
    }

    void withoutLearnedNoise_orWithNoNoise_theAudioPassesUnchanged() {
        const std::vector<std::int16_t> speechLike =
            toSamples(tone(4000, 440.0, 5000.0), tone(4000, 2300.0, 1200.0));
        NoiseSuppressor suppressor;
        QCOMPARE(suppressor.apply(speechLike), speechLike);
        suppressor.learnNoise(std::span(speechLike).first(100)); // too short to learn from
        QVERIFY(!suppressor.hasNoise());

        // Noise learned from a faint hiss leaves loud audio all but untouched (the
        // windows add up to one), and digital silence stays silent.
        const std::vector<std::int16_t> hiss = toSamples(whiteNoise(3200, 3.0, 1), {});
        suppressor.learnNoise(hiss);
        const std::vector<std::int16_t> cleaned = suppressor.apply(speechLike);
        int largestChange = 0;
        for (std::size_t i = 0; i < speechLike.size(); ++i)
            largestChange = std::max(largestChange, std::abs(cleaned[i] - speechLike[i]));
        QVERIFY2(largestChange <= 60, qPrintable(QString::number(largestChange)));
        const std::vector<std::int16_t> silence(8000, 0);
        QCOMPARE(suppressor.apply(silence), silence);
        NoiseSuppressor fromSilence;
        fromSilence.learnNoise(silence);
        QCOMPARE(fromSilence.apply(silence), silence);
    }

    void fullScaleInput_staysInRangeWithoutOverflow() {
        // A full-scale square wave over noise learned from silence: the output is
        // clipped to the sample range, never wrapped, and no sample is lost.
        std::vector<std::int16_t> square(8000);
        for (std::size_t i = 0; i < square.size(); ++i)
            square[i] = (i / 20) % 2 ? std::int16_t(32767) : std::int16_t(-32768);
        NoiseSuppressor suppressor;
        suppressor.learnNoise(std::vector<std::int16_t>(3200, 0));
        const std::vector<std::int16_t> cleaned = suppressor.apply(square);
        QCOMPARE(cleaned.size(), square.size());
        // The sign follows the input in the middle (a wrapped sample would flip it).
        for (std::size_t i = 1000; i < 7000; ++i) {
            if (i % 20 == 10)
                QVERIFY2((cleaned[i] > 0) == (square[i] > 0), qPrintable(QString::number(i)));
        }
        // Learned from full-scale noise, nothing divides badly either.
        suppressor.learnNoise(square);
        const std::vector<std::int16_t> again = suppressor.apply(square);
        QCOMPARE(again.size(), square.size());
    }
};

QTEST_GUILESS_MAIN(NoiseSuppressorTest)
#include "NoiseSuppressorTest.moc"
