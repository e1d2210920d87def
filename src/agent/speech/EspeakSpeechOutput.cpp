#include "agent/speech/EspeakSpeechOutput.h"

#include "agent/speech/AudioPort.h"
#include "agent/speech/SpeechEngine.h"
#include "agent/speech/SpeechPlayback.h"
#include "agent/speech/VoiceChoice.h"

#include <QTimer>

namespace tk::agent::speech {

namespace {

constexpr qint64 kSynthesisAheadSeconds = 15;

} // namespace

EspeakSpeechOutput::EspeakSpeechOutput(QObject* parent, Audio audio)
    : SpeechOutput(parent),
      m_chooser(new AudioPortChooser(audio == Audio::DeviceWhenAvailable, this)) {
    // Load the synthesizer and the usual voice now, so the first speech starts at once.
    SpeechEngine::instance().preload(chooseVoice(VoiceSettings{}, 1033));
}

EspeakSpeechOutput::~EspeakSpeechOutput() {
    dropPlayback();
}

void EspeakSpeechOutput::speak(const QString& text, const VoiceSettings& voice, int languageId) {
    dropPlayback();
    const quint64 speech = ++m_speech;
    if (text.isEmpty()) {
        // Nothing to say: complete on the next turn of the event loop, so the
        // caller never sees finished() before speak() has returned.
        m_pendingEmpty = true;
        QTimer::singleShot(0, this, [this, speech] {
            if (speech != m_speech || !m_pendingEmpty)
                return;
            m_pendingEmpty = false;
            emit finished();
        });
        return;
    }
    SpeechEngine& engine = SpeechEngine::instance();
    auto stream = engine.synthesize(text, chooseVoice(voice, languageId), voice,
                                    kSynthesisAheadSeconds * std::max(engine.sampleRate(), 22050));
    auto* playback = new SpeechPlayback(std::move(stream), *m_chooser, engine.sampleRate(), this);
    m_playback = playback;
    connect(playback, &SpeechPlayback::audioStarted, this, &EspeakSpeechOutput::audioStarted);
    connect(playback, &SpeechPlayback::wordStarted, this, &SpeechOutput::wordStarted);
    connect(playback, &SpeechPlayback::mouthChanged, this, &SpeechOutput::mouthChanged);
    connect(playback, &SpeechPlayback::finished, this, [this, playback] {
        if (m_playback == playback) {
            m_playback = nullptr;
            playback->deleteLater();
        }
        emit finished();
    });
}

void EspeakSpeechOutput::stop() {
    ++m_speech;
    dropPlayback();
}

bool EspeakSpeechOutput::isSpeaking() const {
    return m_playback || m_pendingEmpty;
}

qint64 EspeakSpeechOutput::heardMs() const {
    return m_playback ? m_playback->heardMs() : 0;
}

qint64 EspeakSpeechOutput::lastWordMs() const {
    return m_playback ? m_playback->lastWordMs() : 0;
}

bool EspeakSpeechOutput::isAudible() const {
    return m_playback && m_playback->audible();
}

void EspeakSpeechOutput::dropPlayback() {
    m_pendingEmpty = false;
    if (SpeechPlayback* playback = m_playback.data()) {
        m_playback = nullptr;
        playback->halt();
        playback->disconnect(this);
        playback->deleteLater();
    }
}

} // namespace tk::agent::speech
