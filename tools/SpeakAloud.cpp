// Speaks a text through the character's speech output and logs what happens,
// with times from the request: audio start, each word and mouth shape against
// the audio clock, and the end. A developer's aid:
//   tk_speak "Nice to see you again, Sam" [languageId] [--silent]
#include "agent/speech/EspeakSpeechOutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

using namespace tk::agent;
using namespace tk::agent::speech;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList args = app.arguments();
    const bool silent = args.removeAll(QStringLiteral("--silent")) > 0;
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tk_speak TEXT [LANGUAGE-ID] [--silent]\n");
        return 2;
    }
    const QString text = args[1];
    const int languageId = args.size() > 2 ? args[2].toInt() : 1033;
    static const char* const kShapes[] = {"closed", "open",  "wide",  "round",
                                          "pucker", "teeth", "tongue"};

    EspeakSpeechOutput output(nullptr, silent ? EspeakSpeechOutput::Audio::Silent
                                              : EspeakSpeechOutput::Audio::DeviceWhenAvailable);
    QElapsedTimer time;
    QObject::connect(&output, &EspeakSpeechOutput::audioStarted, [&] {
        std::printf("%6lld ms  audio starts (%s)\n", static_cast<long long>(time.elapsed()),
                    output.isAudible() ? "sound device" : "silent");
    });
    QObject::connect(&output, &SpeechOutput::wordStarted, [&](int position, int length) {
        std::printf("%6lld ms  word \"%s\" (audio clock %lld ms)\n",
                    static_cast<long long>(time.elapsed()), qPrintable(text.mid(position, length)),
                    static_cast<long long>(output.heardMs()));
    });
    QObject::connect(&output, &SpeechOutput::mouthChanged, [&](MouthShape shape) {
        std::printf("%6lld ms  mouth %s\n", static_cast<long long>(time.elapsed()),
                    kShapes[static_cast<int>(shape)]);
    });
    QObject::connect(&output, &SpeechOutput::finished, [&] {
        std::printf("%6lld ms  finished\n", static_cast<long long>(time.elapsed()));
        app.quit();
    });
    time.start();
    output.speak(text, VoiceSettings{}, languageId);
    return app.exec();
}
