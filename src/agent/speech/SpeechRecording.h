#pragma once

#include "agent/api/SpeechOutput.h"
#include "agent/speech/SpeechCue.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace tk::agent::speech {

// A whole speech synthesized ahead of time, through the same engine, voice
// choice and cue conversion as spoken output.
struct SpeechRecording {
    QByteArray pcm; // 16-bit signed mono samples, native byte order
    int sampleRate = 0;
    std::vector<SpeechCue> cues;
    QString error; // empty when synthesis worked

    qint64 sampleCount() const { return pcm.size() / 2; }
    qint64 durationMs() const { return sampleRate > 0 ? sampleCount() * 1000 / sampleRate : 0; }
};

// Synthesizes text completely. Blocks the calling thread until the engine is
// done, so it is for tools, tests and background work, never the UI thread.
SpeechRecording recordSpeech(const QString& text, const VoiceSettings& voice, int languageId);

// Writes a recording as a 16-bit mono PCM WAV file; gives an error text, or
// the empty text on success. The file is replaced whole or not at all.
QString writeWav(const QString& path, const SpeechRecording& recording);

} // namespace tk::agent::speech
