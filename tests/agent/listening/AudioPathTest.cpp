#include "SpeechSamples.h"
#include "agent/listening/Resampler.h"
#include "agent/listening/VoiceActivityDetector.h"

#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>

using namespace tk;
using namespace tk::agent::listening;

namespace {

std::vector<float> sine(double frequency, int rate, double seconds, double amplitude = 0.5) {
    std::vector<float> out(std::size_t(rate * seconds));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = float(amplitude * std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    return out;
}

double rmsOf(const std::vector<float>& v, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(v[i]) * v[i];
    return std::sqrt(sum / double(to - from));
}

// Rising zero crossings per second over the middle of v.
double frequencyOf(const std::vector<float>& v, int rate) {
    int crossings = 0;
    const std::size_t from = v.size() / 4, to = v.size() * 3 / 4;
    for (std::size_t i = from + 1; i < to; ++i) {
        if (v[i - 1] < 0 && v[i] >= 0)
            ++crossings;
    }
    return crossings * double(rate) / double(to - from);
}

// Room noise at levelDb (dBFS) with bursts of a vowel-like tone at speechDb.
struct Scene {
    std::vector<std::int16_t> samples;
    void quiet(int ms, double levelDb, unsigned seed = 3) {
        std::mt19937 random(seed + unsigned(samples.size()));
        std::normal_distribution<double> gauss(0, 32768 * std::pow(10, levelDb / 20));
        for (int i = 0; i < ms * 16; ++i)
            samples.push_back(std::int16_t(std::clamp(gauss(random), -32768.0, 32767.0)));
    }
    void tone(int ms, double levelDb, double noiseDb = -60) {
        quiet(ms, noiseDb);
        const double amplitude = 32768 * std::pow(10, levelDb / 20) * std::sqrt(2.0);
        for (std::size_t i = samples.size() - std::size_t(ms) * 16; i < samples.size(); ++i)
            samples[i] = std::int16_t(std::clamp(
                samples[i] + amplitude * std::sin(2 * std::numbers::pi * 500 * double(i) / 16000),
                -32768.0, 32767.0));
    }
};

struct Tally {
    int started = 0, ended = 0, paused = 0;
    std::vector<std::size_t> utteranceLengths;
};

Tally run(VoiceActivityDetector& vad, const std::vector<std::int16_t>& samples,
          std::size_t chunk = 480) {
    Tally tally;
    for (std::size_t at = 0; at < samples.size(); at += chunk) {
        const std::span<const std::int16_t> piece(samples.data() + at,
                                                  std::min(chunk, samples.size() - at));
        for (const VadEvent& event : vad.push(piece)) {
            switch (event.kind) {
            case VadEvent::Kind::Started:
                ++tally.started;
                tally.utteranceLengths.push_back(0);
                break;
            case VadEvent::Kind::Audio:
                tally.utteranceLengths.back() += event.samples.size();
                break;
            case VadEvent::Kind::Paused:
                ++tally.paused;
                break;
            case VadEvent::Kind::Ended:
                ++tally.ended;
                break;
            }
        }
    }
    return tally;
}

} // namespace

class AudioPathTest : public QObject {
    Q_OBJECT
private slots:
    void resampler_keepsSpeechBandAndRemovesWhatWouldFoldBack() {
        for (const int rate : {48000, 44100, 22050, 8000}) {
            std::vector<float> out;
            Resampler(rate, 16000).process(sine(440, rate, 1.0), out);
            QVERIFY(std::abs(double(out.size()) - 16000) < 40);
            QVERIFY2(std::abs(frequencyOf(out, 16000) - 440) < 3,
                     qPrintable(QString::number(rate)));
            const double level = rmsOf(out, 4000, 12000);
            QVERIFY2(std::abs(level - 0.5 / std::sqrt(2.0)) < 0.01,
                     qPrintable(QString::number(level)));
        }
        // 11 kHz at 48 kHz would fold back to 5 kHz at 16 kHz.
        std::vector<float> folded;
        Resampler(48000, 16000).process(sine(11000, 48000, 1.0), folded);
        QVERIFY(rmsOf(folded, 4000, 12000) < 0.005);
    }

    void resampler_givesTheSameOutputInChunksAsInOneGo() {
        const std::vector<float> input = sine(1000, 44100, 0.5);
        std::vector<float> whole, pieces;
        Resampler(44100, 16000).process(input, whole);
        Resampler chunked(44100, 16000);
        for (std::size_t at = 0; at < input.size(); at += 333)
            chunked.process(
                std::span(input).subspan(at, std::min<std::size_t>(333, input.size() - at)),
                pieces);
        QCOMPARE(pieces.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i)
            QVERIFY(std::abs(pieces[i] - whole[i]) < 1e-5f);
    }

    void detector_findsEachUtteranceWithPrerollAndHangover() {
        VoiceActivityDetector vad;
        Scene scene;
        scene.quiet(2000, -50);
        scene.tone(600, -20, -50);
        scene.quiet(150, -50); // a pause inside: worth a check, shorter than the hangover
        scene.tone(400, -20, -50);
        scene.quiet(1500, -50);
        scene.tone(300, -25, -50);
        scene.quiet(1500, -50);
        const Tally tally = run(vad, scene.samples);
        QCOMPARE(tally.started, 2);
        QCOMPARE(tally.ended, 2);
        QCOMPARE(tally.paused, 3);
        const VadSettings settings;
        // Pre-roll before the onset, the speech, the hangover after it.
        const std::size_t first = tally.utteranceLengths[0] / 160;
        QVERIFY2(first >= std::size_t(60 + 15 + 40 + settings.hangoverFrames - 2) &&
                     first <= std::size_t(60 + 15 + 40 + settings.hangoverFrames +
                                          settings.prerollFrames + settings.onsetFrames + 3),
                 qPrintable(QString::number(first)));
        QVERIFY(!vad.inUtterance());
        QVERIFY(std::abs(vad.noiseFloorDb() + 52) < 4);
    }

    void detector_ignoresClicksAndLearnsALouderBackground() {
        VoiceActivityDetector vad;
        Scene scene;
        scene.quiet(1500, -60);
        scene.tone(30, -10, -60); // a click: shorter than the onset run
        scene.quiet(1500, -60);
        QCOMPARE(run(vad, scene.samples).started, 0);

        // A fan starts and runs on: it may open one utterance, which ends once
        // the floor has caught up, and no other follows.
        Scene fan;
        fan.quiet(1000, -60);
        fan.quiet(8000, -30);
        const Tally tally = run(vad, fan.samples);
        QVERIFY(tally.started <= 1);
        QCOMPARE(tally.ended, tally.started);
        QVERIFY(std::abs(vad.noiseFloorDb() + 32) < 4);
    }

    void detector_restartedAfterAGap_measuresSpeechAtOnceAgainstTheNoiseHeardBefore() {
        Scene room;
        room.quiet(1000, -50);
        Scene talk; // speech from the first frame on
        talk.tone(400, -20, -50);
        talk.quiet(1000, -50);

        VoiceActivityDetector vad;
        QCOMPARE(run(vad, room.samples).started, 0);
        vad.restart();
        const Tally restarted = run(vad, talk.samples);
        QCOMPARE(restarted.started, 1);
        QCOMPARE(restarted.ended, 1);
        QVERIFY2(restarted.utteranceLengths[0] / 160 >= 40,
                 qPrintable(QString::number(restarted.utteranceLengths[0] / 160)));
    }

    void detector_afterReset_opensSpeechSaidAtOnceWithItsStart() {
        const auto phrase = [](const char* text, const char* voice) {
            return test::SpeechSamples::withoutLeadingSilence(
                test::SpeechSamples::speak(text, voice));
        };
        const std::vector<std::vector<std::int16_t>> phrases = {
            phrase("real chat", "en-us"), phrase("what's your name?", "en-us+f3"),
            phrase("options", "en-us")};
        if (phrases.front().empty())
            QSKIP("the speech synthesizer cannot start");
        unsigned seed = 20;
        for (const test::Noise noise :
             {test::Noise::Room, test::Noise::Brown, test::Noise::Babble}) {
            for (const int leadMs : {0, 50}) {
                for (const auto& speech : phrases) {
                    const auto clip =
                        test::SpeechSamples::inNoise(speech, 25, leadMs, 1000, ++seed, noise);
                    VoiceActivityDetector vad;
                    vad.reset();
                    std::vector<std::int16_t> heard;
                    int started = 0, ended = 0;
                    for (std::size_t at = 0; at < clip.size(); at += 320) {
                        const std::span<const std::int16_t> piece(
                            clip.data() + at, std::min<std::size_t>(320, clip.size() - at));
                        for (const VadEvent& event : vad.push(piece)) {
                            started += event.kind == VadEvent::Kind::Started;
                            ended += event.kind == VadEvent::Kind::Ended;
                            heard.insert(heard.end(), event.samples.begin(), event.samples.end());
                        }
                    }
                    const QString what =
                        QString("noise %1, lead %2 ms, %3 ms of speech, %4 started, %5 ended")
                            .arg(int(noise))
                            .arg(leadMs)
                            .arg(speech.size() / 16)
                            .arg(started)
                            .arg(ended);
                    QVERIFY2(started == 1 && ended == 1, qPrintable(what));
                    // The utterance's audio has all of the speech, from its first
                    // sample to its last.
                    const auto start = clip.begin() + leadMs * 16;
                    const auto first = std::search(heard.begin(), heard.end(), start, start + 160);
                    QVERIFY2(first != heard.end(), qPrintable(what));
                    QVERIFY2(heard.end() - first >= std::ptrdiff_t(speech.size()),
                             qPrintable(what));
                }
            }
        }
    }

    void detector_afterReset_opensNothingOnNoiseAlone() {
        // Steady noise of any colour from the first frame on opens nothing; a fan
        // switched on just after listening began opens one utterance at most, which
        // ends once the floor has followed it.
        unsigned seed = 60;
        for (const test::Noise noise :
             {test::Noise::White, test::Noise::Pink, test::Noise::Brown, test::Noise::Room}) {
            for (const double snr : {30.0, 12.0}) {
                VoiceActivityDetector vad;
                QCOMPARE(run(vad, test::SpeechSamples::backgroundNoise(4000, snr, ++seed, noise))
                             .started,
                         0);
                auto late = test::SpeechSamples::backgroundNoise(4000, snr, ++seed, noise);
                for (std::size_t i = 0; i < 200 * 16; ++i)
                    late[i] = std::int16_t(late[i] / 100);
                vad.reset();
                const Tally tally = run(vad, late);
                QVERIFY2(tally.started <= 1 && tally.ended == tally.started,
                         qPrintable(QString("noise %1 at %2 dB").arg(int(noise)).arg(snr)));
            }
        }
        // A stream that begins with a little digital silence: the silence is no
        // floor. An input that gives exact zeros between words: it is, and a phrase
        // said at once is heard whole.
        Scene stream;
        stream.samples.assign(60 * 16, 0);
        stream.quiet(3000, -45);
        VoiceActivityDetector vad;
        QCOMPARE(run(vad, stream.samples).started, 0);
        QVERIFY(std::abs(vad.noiseFloorDb() + 47) < 4);
        Scene gated;
        gated.tone(400, -20, -200);
        gated.samples.resize(gated.samples.size() + 1000 * 16, 0);
        vad.reset();
        const Tally heard = run(vad, gated.samples);
        QCOMPARE(heard.started, 1);
        QCOMPARE(heard.ended, 1);
        QVERIFY(heard.utteranceLengths[0] >= 400 * 16);
    }

    void detector_cutsOverlongUtterancesAndFinishesOnRequest() {
        VadSettings settings;
        settings.maxUtteranceFrames = 200;
        settings.floorWindowFrames = 2000; // keep the floor from catching up
        VoiceActivityDetector vad(settings);
        Scene scene;
        scene.quiet(1000, -60);
        scene.tone(5000, -20, -60);
        const Tally tally = run(vad, scene.samples);
        QVERIFY(tally.started >= 2);
        for (std::size_t i = 0; i + 1 < tally.utteranceLengths.size(); ++i)
            QVERIFY(tally.utteranceLengths[i] <= 200 * 160);

        VoiceActivityDetector asked;
        Scene talk;
        talk.quiet(1000, -60);
        talk.tone(500, -20, -60);
        QCOMPARE(run(asked, talk.samples).started, 1);
        QVERIFY(asked.inUtterance());
        const auto finished = asked.finishUtterance();
        QCOMPARE(finished.size(), std::size_t(1));
        QCOMPARE(finished.front().kind, VadEvent::Kind::Ended);
        QVERIFY(!asked.inUtterance() && asked.finishUtterance().empty());
    }
};

QTEST_GUILESS_MAIN(AudioPathTest)
#include "AudioPathTest.moc"
