#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tk::agent::listening {

// Settings of the voice-activity detector; times in 10 ms frames of 16 kHz audio.
struct VadSettings {
    double onsetMarginDb = 10.0;   // a frame this far above the noise floor is speech
    double activeMarginDb = 6.0;   // and this far keeps an utterance going
    double quietestSpeechDb = -55; // frames below this (dBFS) are never speech
    int onsetFrames = 6;           // loud frames in a row that open an utterance
    int prerollFrames = 25;        // audio kept from before the onset
    int pauseFrames = 18;          // quiet frames that make a pause worth checking
    int hangoverFrames = 50;       // quiet frames that close an utterance
    int maxUtteranceFrames = 1000; // an utterance is cut here at the latest
    int floorWindowFrames = 150;   // the noise floor is the quietest of these
};

// What the detector found in the audio it was given, in order.
struct VadEvent {
    enum class Kind {
        Started, // an utterance began; its audio follows
        Audio,   // samples of the current utterance
        Paused,  // the utterance has been quiet for pauseFrames
        Ended,   // the utterance is over
    };
    Kind kind;
    std::vector<std::int16_t> samples; // Audio only
};

// Cuts 16 kHz mono audio into utterances by frame energy against a tracked noise
// floor (the quietest recent frame), with an onset run, pre-roll and hangover.
class VoiceActivityDetector {
public:
    static constexpr int kFrameSamples = 160;

    explicit VoiceActivityDetector(const VadSettings& settings = {});

    // Feeds samples of any length; returns what happened in them.
    std::vector<VadEvent> push(std::span<const std::int16_t> samples);
    // Ends the current utterance now (after a pause the caller judged final).
    std::vector<VadEvent> finishUtterance();
    // Forgets everything, the noise floor included.
    void reset();

    bool inUtterance() const { return m_inUtterance; }
    double noiseFloorDb() const;
    // Quiet frames at the end of the utterance so far (the hangover once it ended).
    int trailingQuietFrames() const { return m_quietRun; }
    // Frames of the current utterance so far, its pre-roll included.
    int utteranceFrames() const { return m_utteranceFrames; }
    // Frames the utterance that ended last had, its pre-roll and quiet end included.
    int utteranceFramesAtEnd() const { return m_lastUtteranceFrames; }
    const VadSettings& settings() const { return m_settings; }

private:
    void pushFrame(std::span<const std::int16_t> frame, std::vector<VadEvent>& events);
    void appendAudio(std::span<const std::int16_t> samples, std::vector<VadEvent>& events);
    void end(std::vector<VadEvent>& events);

    VadSettings m_settings;
    std::vector<std::int16_t> m_partial; // samples short of a whole frame
    std::deque<std::int16_t> m_preroll;  // recent audio while not in an utterance
    std::deque<double> m_recentEnergies; // for the noise floor
    bool m_inUtterance = false;
    int m_onsetRun = 0;
    int m_quietRun = 0;
    int m_utteranceFrames = 0;
    int m_lastUtteranceFrames = 0;
};

} // namespace tk::agent::listening
