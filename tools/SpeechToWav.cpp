// Writes speech to a WAV file through the program's own synthesis path and
// lists the words and mouth shapes with their audio times. A developer's aid:
//   tk_speech_wav out.wav "Nice to see you again, Sam" [languageId] [voice]
#include "agent/speech/SpeechRecording.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

using namespace tk::agent;
using namespace tk::agent::speech;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tk_speech_wav OUT.wav TEXT [LANGUAGE-ID] [VOICE]\n");
        return 2;
    }
    const QString text = args[2];
    const int languageId = args.size() > 3 ? args[3].toInt() : 1033;
    VoiceSettings voice;
    if (args.size() > 4)
        voice.voice = args[4];
    const SpeechRecording recording = recordSpeech(text, voice, languageId);
    const QString error = writeWav(args[1], recording);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%lld samples at %d Hz: %lld ms\n", static_cast<long long>(recording.sampleCount()),
                recording.sampleRate, static_cast<long long>(recording.durationMs()));
    static const char* const kShapes[] = {"closed", "open",  "wide",  "round",
                                          "pucker", "teeth", "tongue"};
    for (const SpeechCue& cue : recording.cues) {
        const qint64 ms = cue.sample * 1000 / recording.sampleRate;
        if (cue.kind == SpeechCue::Kind::Word)
            std::printf("%6lld ms  word  \"%s\"\n", static_cast<long long>(ms),
                        qPrintable(text.mid(cue.position, cue.length)));
        else
            std::printf("%6lld ms  mouth %s\n", static_cast<long long>(ms),
                        kShapes[static_cast<int>(cue.shape)]);
    }
    return 0;
}
