#pragma once

#include "agent/api/SpeechOutput.h"

#include <QPointer>

namespace tk::agent::speech {

class AudioPortChooser;
class SpeechPlayback;

// Speech output of one character: synthesis on the shared engine thread,
// playback through the default audio output (or silently, at the natural rate,
// when there is none), words and mouth shapes timed against the audio clock.
// Lives on the user-interface thread; nothing in it waits.
class EspeakSpeechOutput final : public SpeechOutput {
    Q_OBJECT
public:
    enum class Audio {
        DeviceWhenAvailable, // the default output device, silent without one
        Silent,              // never a device: timing only (tests, benchmarks)
    };

    explicit EspeakSpeechOutput(QObject* parent = nullptr,
                                Audio audio = Audio::DeviceWhenAvailable);
    ~EspeakSpeechOutput() override;

    void speak(const QString& text, const VoiceSettings& voice, int languageId) override;
    void stop() override;
    bool isSpeaking() const override;

    // Milliseconds of the current speech heard so far (its audio clock).
    qint64 heardMs() const;
    // Where in the current speech's audio the word last reported lies, in
    // milliseconds: with heardMs(), how late a word is shown.
    qint64 lastWordMs() const;
    // Whether the current speech is heard through a sound device.
    bool isAudible() const;

signals:
    // The first audio of the current speech has been handed to the output.
    void audioStarted();

private:
    void dropPlayback();

    AudioPortChooser* m_chooser;
    QPointer<SpeechPlayback> m_playback;
    bool m_pendingEmpty = false; // an empty text waits for its finished()
    quint64 m_speech = 0;        // number of the current speech
};

} // namespace tk::agent::speech
