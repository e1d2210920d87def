#pragma once

#include "agent/api/SpeechInput.h"
#include "agent/listening/CommandRecognizer.h"
#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/VoiceActivityDetector.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tk::agent::listening {

// What listening to a stretch of audio brought.
struct ListeningEvent {
    enum class Kind { HearingStarted, Heard };
    Kind kind;
    Recognition recognition; // Heard only
    int trailingQuietMs = 0; // Heard only: quiet audio the utterance ended with
};

// Listening without threads: 16 kHz mono audio in, utterances cut by the voice
// activity detector, each recognized against the registered commands. An
// utterance that is a complete phrase which no longer phrase continues ends after
// a short pause; any other after the full hangover. The microphone path and the
// tests feed audio through this same object.
class ListeningEngine {
public:
    ListeningEngine(std::unique_ptr<CommandRecognizer> recognizer, PronunciationResolver resolver,
                    const VadSettings& vad = {});

    // Makes commands the recognizable set; during an utterance it applies once the
    // utterance is over.
    void setCommands(const QList<VoiceCommand>& commands);
    // Words of the registered phrases that nothing could pronounce (their phrases
    // cannot be recognized).
    const QStringList& unpronounceableWords() const { return m_unpronounceable; }

    std::vector<ListeningEvent> push(std::span<const std::int16_t> samples);
    // Drops the utterance in progress and the detector's state.
    void reset();

    bool inUtterance() const { return m_vad.inUtterance(); }
    CommandRecognizer& recognizer() { return *m_recognizer; }
    const VoiceActivityDetector& detector() const { return m_vad; }

private:
    void flushAudio();
    void applyPendingCommands();
    void handle(VadEvent& event, std::vector<ListeningEvent>& out);

    std::unique_ptr<CommandRecognizer> m_recognizer;
    PronunciationResolver m_resolver;
    VoiceActivityDetector m_vad;
    std::vector<std::int16_t> m_unfed; // utterance audio not yet given to the decoders
    std::optional<QList<VoiceCommand>> m_pendingCommands;
    QStringList m_unpronounceable;
};

} // namespace tk::agent::listening
