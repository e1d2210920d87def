// Speech output figures: time from a speak request to the first audio handed
// to the output, synthesis speed, how closely the balloon's words follow the
// audio clock, and resident memory with the voice loaded. Prints them; run with
// a sound server for device figures, without one for the silent output.
#include "ProcessStats.h"
#include "agent/runtime/WordBalloon.h"
#include "agent/speech/EspeakSpeechOutput.h"
#include "agent/speech/SpeechEngine.h"
#include "agent/speech/SpeechRecording.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace tk::agent;
using namespace tk::agent::speech;

namespace {

void waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer time;
    time.start();
    while (!done() && time.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Stats {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    double median() const {
        auto v = values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double max() const {
        return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    }
    double mean() const {
        return values.empty() ? 0
                              : std::accumulate(values.begin(), values.end(), 0.0) / values.size();
    }
};

const QStringList kPhrases{
    "Nice to see you again, Sam",
    "Oh yeah. I'm Fine... I'm having a good time here in your PC",
    "I don't know. I must ask my Creator. But he's having a rest now.",
    "Wow... I don't know. Why don't you mail my creator?",
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Resident memory before and after the synthesizer and its voice load.
    const long before = bench::statusKb();
    SpeechEngine::instance().preload("en-us");
    recordSpeech("Hello.", VoiceSettings{}, 1033);
    const long loaded = bench::statusKb();
    std::printf("resident memory: %ld KB before, %ld KB with the en-us voice loaded (+%ld KB)\n",
                before, loaded, loaded - before);

    // Synthesis speed.
    QString longText;
    while (longText.size() < 5000)
        longText += "The quick brown fox, naive and happy, jumps over thirteen lazy dogs. ";
    longText.truncate(5000);
    for (const QString& text : {kPhrases[1], longText}) {
        QElapsedTimer time;
        time.start();
        const SpeechRecording recording = recordSpeech(text, VoiceSettings{}, 1033);
        const double seconds = time.nsecsElapsed() / 1e9;
        std::printf("synthesis: %lld characters, %.1f s of audio in %.1f ms: real-time factor "
                    "%.4f (%.0fx faster than real time)\n",
                    static_cast<long long>(text.size()), recording.durationMs() / 1000.0,
                    seconds * 1000, seconds / (recording.durationMs() / 1000.0),
                    recording.durationMs() / 1000.0 / seconds);
    }

    const auto run = [&](EspeakSpeechOutput::Audio audio, const char* name) {
        EspeakSpeechOutput output(nullptr, audio);
        waitFor([] { return SpeechEngine::instance().sampleRate() > 0; }, 2000);

        // Request to first audio buffer handed to the output.
        Stats first;
        bool audible = false;
        for (int i = 0; i < 30; ++i) {
            QElapsedTimer time;
            bool started = false;
            auto connection = QObject::connect(&output, &EspeakSpeechOutput::audioStarted, [&] {
                first.add(time.nsecsElapsed() / 1e6);
                started = true;
                audible = output.isAudible();
            });
            const QString& text = i % 2 ? longText : kPhrases[i % kPhrases.size()];
            time.start();
            output.speak(text, VoiceSettings{}, 1033);
            waitFor([&] { return started; }, 2000);
            QObject::disconnect(connection);
            output.stop();
            waitFor([] { return false; }, 30);
        }
        std::printf("%s: request to first audio handed to the %s: median %.2f ms, max %.2f ms "
                    "(30 requests, short and 5000-character texts)\n",
                    name, audible ? "sound device" : "silent output", first.median(), first.max());

        // Words shown in the balloon against the audio clock.
        WordBalloon balloon;
        balloon.setAnchor(QRect(500, 500, 128, 160));
        Stats error;
        for (const QString& text : kPhrases) {
            bool finished = false;
            auto words = QObject::connect(&output, &SpeechOutput::wordStarted,
                                          [&](int position, int length) {
                                              balloon.revealWord(position, length);
                                              error.add(output.heardMs() - output.lastWordMs());
                                          });
            auto end = QObject::connect(&output, &SpeechOutput::finished, [&] {
                balloon.finishSpeech();
                finished = true;
            });
            balloon.beginSpeech(text);
            output.speak(text, VoiceSettings{}, 1033);
            waitFor([&] { return finished; }, 20000);
            QObject::disconnect(words);
            QObject::disconnect(end);
        }
        std::printf("%s: words shown after their audio position by the audio clock: mean %.1f ms, "
                    "max %.1f ms (%zu words; the clock counts in whole milliseconds)\n",
                    name, error.mean(), error.max(), error.values.size());
    };
    run(EspeakSpeechOutput::Audio::Silent, "silent");
    run(EspeakSpeechOutput::Audio::DeviceWhenAvailable, "default output");
    return 0;
}
