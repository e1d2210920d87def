#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tk::agent::listening {

// Settings of the voice-activity detector; times in 10 ms frames of 16 kHz audio,
// levels in dB of high-passed audio against full scale.
struct VadSettings {
    double onsetMarginDb = 7.0;    // a frame this far above the noise floor is speech
    double activeMarginDb = 6.0;   // and this far keeps an utterance going
    double overNoisePeaksDb = 3.0; // both also this far above the noise's own peaks
    double belowPeakDb = 30.0;     // a frame this far under the utterance's peak is quiet
    double quietestSpeechDb = -55; // frames below this are never speech
    int onsetFrames = 6;           // loud frames in a row that open an utterance
    int prerollFrames = 25;        // audio kept from before the onset
    int pauseFrames = 12;          // quiet frames that make a pause worth checking
    int hangoverFrames = 45;       // quiet frames that close an utterance
    int maxUtteranceFrames = 1000; // an utterance is cut here at the latest
    int floorWindowFrames = 150;   // the noise floor is a low percentile of these
    double floorPercentile = 0.1;
    int noiseWindowFrames = 200; // frames outside utterances whose spread is measured
    double noisePeakPercentile = 0.97;
    double largestNoiseSpreadDb = 14; // the noise's peaks count at most this far above the floor
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

// Cuts 16 kHz mono audio into utterances by frame energy against the noise, with
// an onset run, pre-roll and hangover. The energy is measured above the rumble of
// fans and traffic (a high-pass filter at 300 Hz, where speech keeps nearly all
// its energy) and smoothed over three frames. The noise floor is a low percentile
// of the last one and a half seconds, so it follows steady noise of any colour
// rather than its quietest instants; the noise's peaks (a high percentile of the
// frames heard outside utterances) raise the bar in fluctuating noise such as
// background talk, so that an utterance ends when its speech does. The audio
// passed on is unfiltered.
class VoiceActivityDetector {
public:
    static constexpr int kFrameSamples = 160;

    explicit VoiceActivityDetector(const VadSettings& settings = {});

    // Feeds samples of any length; returns what happened in them.
    std::vector<VadEvent> push(std::span<const std::int16_t> samples);
    // Ends the current utterance now (after a pause the caller judged final).
    std::vector<VadEvent> finishUtterance();
    // Forgets everything, the noise estimate included.
    void reset();
    // Forgets the audio and any utterance in progress but keeps what was learned
    // of the noise, for audio from the same room after a gap: speech at once is
    // measured against the noise heard before the gap.
    void restart();

    bool inUtterance() const { return m_inUtterance; }
    // The noise floor as of the last frame.
    double noiseFloorDb() const;
    // The level of the noise's peaks as of the last frame (at least the floor).
    double noisePeaksDb() const;
    // Quiet frames at the end of the utterance so far (the hangover once it ended).
    int trailingQuietFrames() const { return m_quietRun; }
    // Frames of the current utterance so far, its pre-roll included.
    int utteranceFrames() const { return m_utteranceFrames; }
    // Frames the utterance that ended last had, its pre-roll and quiet end included.
    int utteranceFramesAtEnd() const { return m_lastUtteranceFrames; }
    // How far the loudest (smoothed) frame of the utterance that ended last stood
    // above the noise floor, in dB.
    double speechOverNoiseDbAtEnd() const { return m_lastSpeechOverNoiseDb; }
    // How far the loudest (smoothed) frame of the current utterance so far stands
    // above the noise floor, in dB.
    double speechOverNoiseDb() const { return m_peakDb - noiseFloorDb(); }
    const VadSettings& settings() const { return m_settings; }

private:
    void pushFrame(std::span<const std::int16_t> frame, std::vector<VadEvent>& events);
    double noisePeaksOver(double floor) const;
    // Mean square of the high-passed frame (full scale 1).
    double highPassedPower(std::span<const std::int16_t> frame);
    void appendAudio(std::span<const std::int16_t> samples, std::vector<VadEvent>& events);
    void end(std::vector<VadEvent>& events);

    VadSettings m_settings;
    std::vector<std::int16_t> m_partial;  // samples short of a whole frame
    std::deque<std::int16_t> m_preroll;   // recent audio while not in an utterance
    std::deque<double> m_recentEnergies;  // smoothed frame energies (dB), for the floor
    std::deque<double> m_noiseEnergies;   // the same outside utterances, for the peaks
    std::deque<double> m_onsetEnergies;   // those of the onset run, not yet known as noise
    mutable std::vector<double> m_sorted; // scratch for the percentiles
    std::array<double, 3> m_recentPowers{};
    int m_powerCount = 0;
    std::array<double, 4> m_filterState{}; // the high-pass biquad's x1, x2, y1, y2
    bool m_inUtterance = false;
    int m_onsetRun = 0;
    int m_onsetLoudFrames = 0; // frames of the onset run loud before smoothing
    int m_quietRun = 0;
    int m_utteranceFrames = 0;
    int m_lastUtteranceFrames = 0;
    double m_lastSpeechOverNoiseDb = 0;
    double m_peakDb = -120;
};

} // namespace tk::agent::listening
