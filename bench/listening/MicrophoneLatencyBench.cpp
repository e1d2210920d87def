// End of speech to command through the real microphone path: a private sound
// server whose default input is a virtual microphone, the program's own
// SphinxSpeechInput on it, and phrases in brown and babble noise played into
// the microphone in real time over noise that plays on all the while. Times run from the player's
// start plus the clip's own offset to the end of speech, so they include the player's start-up (the
// same for every run); compare runs rather than reading them alone.
#include "SoundServer.h"
#include "SpeechSamples.h"
#include "agent/listening/SphinxSpeechInput.h"
#include "agent/speech/SpeechRecording.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace tk;
using namespace tk::agent::listening;
using test::Noise;

namespace {

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 2;
    test::SoundServer server;
    if (!server.error().isEmpty()) {
        std::fprintf(stderr, "no private sound server: %s\n", qPrintable(server.error()));
        return 1;
    }
    server.useInThisProcess();
    QTemporaryDir files;

    SphinxSpeechInput input;
    input.setCommands(test::voiceCommandsOf(test::tovrinCatalogue()));
    input.setQuietTimeout(3600 * 1000);
    QElapsedTimer clock;
    clock.start();
    qint64 heardAt = -1;
    QObject::connect(&input, &agent::SpeechInput::heard,
                     [&](const QString&, const QString&) { heardAt = clock.elapsed(); });
    input.startListening();
    if (!input.isListening()) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(input.unavailableReason()));
        return 1;
    }
    const QStringList phrases = {"real chat",  "how old are you",   "help",
                                 "hey tovrin", "what's your name?", "exit",
                                 "options",    "how are you?"};
    const auto play = [&](const std::vector<std::int16_t>& samples, const QString& name,
                          QProcess& player) {
        agent::speech::SpeechRecording recording;
        recording.pcm = QByteArray(reinterpret_cast<const char*>(samples.data()),
                                   qsizetype(samples.size() * sizeof(std::int16_t)));
        recording.sampleRate = 16000;
        const QString wav = files.filePath(name);
        agent::speech::writeWav(wav, recording);
        player.setProcessEnvironment(
            server.environmentFor(QProcessEnvironment::systemEnvironment()));
        player.start(QStringLiteral("paplay"), {QStringLiteral("--device=mic"), wav});
    };
    unsigned seed = 300;
    for (const Noise noise : {Noise::Brown, Noise::Babble}) {
        QProcess background;
        play(test::SpeechSamples::backgroundNoise(rounds * 8 * 4000 + 10000, 20, ++seed, noise),
             QStringLiteral("noise.wav"), background);
        const qint64 settle = clock.elapsed() + 3000;
        while (clock.elapsed() < settle)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::vector<double> latencies;
        int missed = 0;
        for (int round = 0; round < rounds; ++round) {
            for (const QString& phrase : phrases) {
                const auto speech = test::SpeechSamples::speak(phrase, QStringLiteral("en-us"));
                const int leadMs = 300;
                std::vector<std::int16_t> clip(std::size_t(leadMs * 16), 0);
                clip.insert(clip.end(), speech.begin(), speech.end());
                QProcess player;
                const qint64 startedAt = clock.elapsed();
                heardAt = -1;
                play(clip, QStringLiteral("clip.wav"), player);
                const qint64 speechEndAt =
                    startedAt + leadMs + qint64(test::SpeechSamples::speechEnd(speech)) / 16;
                while ((heardAt < 0 || heardAt < startedAt + leadMs) &&
                       clock.elapsed() < speechEndAt + 2500) {
                    if (heardAt >= 0 && heardAt < startedAt + leadMs)
                        heardAt = -1; // what came before this phrase
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
                }
                player.waitForFinished(5000);
                if (heardAt < 0)
                    ++missed;
                else
                    latencies.push_back(double(heardAt - speechEndAt));
                const qint64 pause = clock.elapsed() + 1500;
                while (clock.elapsed() < pause)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            }
        }
        background.kill();
        background.waitForFinished(2000);
        std::printf("%s noise, 20 dB, %zu phrases heard, %d missed: end of speech to heard() "
                    "median %.0f ms, p95 %.0f ms\n",
                    noise == Noise::Brown ? "brown" : "babble", latencies.size(), missed,
                    percentile(latencies, 0.5), percentile(latencies, 0.95));
    }
    return 0;
}
