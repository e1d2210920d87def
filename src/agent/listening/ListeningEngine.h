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
// a short pause; one that only longer phrases of the same command continue after
// a pause longer than a comma's; any other after the full hangover. The microphone path and the
// tests feed audio through this same object.
//
// The name said alone is not reported: the utterance that follows within a
// couple of seconds counts as led by it ("Tovrin ... how old are you?").
//
// With the name required (always listening) it reports only accepted phrases that
// began with the character's name, nothing else (not even that hearing started).
// It gives up on an utterance whose first half second, or the part before its
// first pause, does not decode as led by the name, and on one longer than any
// phrase could be; the phone loop runs only on addressed utterances. The decoders
// run only on utterances: quiet audio costs the detector's energy measure alone.
class ListeningEngine {
public:
    ListeningEngine(std::unique_ptr<CommandRecognizer> recognizer, PronunciationResolver resolver,
                    const VadSettings& vad = {});

    // Makes commands the recognizable set, each phrase optionally led by name (the
    // character's name); during an utterance it applies once the utterance is over.
    void setCommands(const QList<VoiceCommand>& commands, const QString& name = {});
    // Whether only phrases that begin with the name count (see above).
    void setNameRequired(bool required);
    bool nameRequired() const { return m_nameRequired; }
    // Words of the registered phrases that nothing could pronounce (their phrases
    // cannot be recognized).
    const QStringList& unpronounceableWords() const { return m_unpronounceable; }

    std::vector<ListeningEvent> push(std::span<const std::int16_t> samples);
    enum class Noise { Forget, Keep };
    // Drops the utterance in progress and the detector's state; with Noise::Keep
    // the detector keeps its estimate of the room's noise, for audio that goes on
    // from the same room after a short gap.
    void reset(Noise noise = Noise::Forget);

    bool inUtterance() const { return m_vad.inUtterance(); }
    CommandRecognizer& recognizer() { return *m_recognizer; }
    const VoiceActivityDetector& detector() const { return m_vad; }

private:
    void flushAudio();
    // Stops decoding the utterance in progress; its end reports nothing.
    void abandonUtterance();
    // Whether the utterance so far decodes as led by the name; gives it up if not.
    bool checkAddressed();
    void applyPendingCommands();
    void handle(VadEvent& event, std::vector<ListeningEvent>& out);
    void heard(Recognition recognition, std::vector<ListeningEvent>& out);

    std::unique_ptr<CommandRecognizer> m_recognizer;
    PronunciationResolver m_resolver;
    VoiceActivityDetector m_vad;
    std::vector<std::int16_t> m_unfed; // utterance audio not yet given to the decoders
    struct PendingCommands {
        QList<VoiceCommand> commands;
        QString name;
    };
    std::optional<PendingCommands> m_pendingCommands;
    QStringList m_unpronounceable;
    bool m_nameRequired = false;
    bool m_abandoned = false;   // the utterance is given up on: not decoded, reports nothing
    bool m_nameChecked = false; // the start of the utterance was decoded for the name
    int m_endAfterQuiet = 0;    // quiet frames that end the utterance as decoded; 0: the detector's
    int m_decodedTailFrames = 0; // quiet frames at the end of the utterance the decoders get
    qint64 m_position = 0;       // samples pushed so far
    qint64 m_nameHeldUntil = -1; // the name was said alone; it leads speech that starts before
};

} // namespace tk::agent::listening
