#pragma once

#include "agent/api/SpeechOutput.h"

#include <QList>
#include <QTimer>

// Speech without sound for the demo: words are timed at the voice's rate and
// the mouth follows the letters, so the speaking state can be watched on a
// machine without a synthesizer or an audio device.
class SilentSpeech : public tk::agent::SpeechOutput {
    Q_OBJECT
public:
    explicit SilentSpeech(QObject* parent = nullptr);

    void speak(const QString& text, const tk::agent::VoiceSettings& voice, int languageId) override;
    void stop() override;
    bool isSpeaking() const override { return m_timer.isActive() || !m_events.isEmpty(); }

private:
    struct Event {
        int atMs = 0;
        int wordPosition = -1; // >= 0: a word starts here
        int wordLength = 0;
        tk::agent::MouthShape mouth = tk::agent::MouthShape::Closed;
    };
    void next();

    QList<Event> m_events;
    int m_elapsedMs = 0;
    QTimer m_timer;
};
