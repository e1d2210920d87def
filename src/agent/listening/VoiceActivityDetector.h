#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <utility>
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
//
// With nothing known of the noise (after reset()) the detector looks back: it
// holds the audio heard so far (up to the floor's window) and judges all of it
// again at every frame against the floor and peaks those frames give, so that
// speech from the very first frame opens an utterance with its start intact once
// a gap in it or the quiet after it shows the floor (well before the pause the
// caller decodes at). Until enough noise has been heard to measure its peaks, an
// utterance opens only on speech that stands above the loudest peaks noise is
// ever allowed and falls quiet again, so that nothing the room makes, a fan
// switched on included, passes for speech in the first moments. Speech said at
// once gets a little of the room's noise put before it, as any utterance has.
class VoiceActivityDetector {
public:
    static constexpr int kFrameSamples = 160;

    explicit VoiceActivityDetector(const VadSettings& settings = {});

    // Feeds samples of any length; returns what happened in them.
    std::vector<VadEvent> push(std::span<const std::int16_t> samples);
    // Ends the current utterance now (after a pause the caller judged final).
    std::vector<VadEvent> finishUtterance();
    // Forgets everything, the noise estimate included: the noise is learned afresh
    // from the audio that follows, speech at its start included (see above).
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
    struct Noise {
        double floor;
        double peaks;      // what speech in an utterance must stand over
        double onsetPeaks; // and what speech that opens one must, while the noise
                           // before it is too short to measure
    };
    // Judges one frame outside or inside an utterance against the noise; with
    // noiseGate, nothing opens before enough noise frames are known.
    void judgeFrame(std::span<const std::int16_t> frame, double energy, double framePower,
                    const Noise& noise, bool noiseGate, std::vector<VadEvent>& events);
    // Holds a frame heard before the noise is known and judges all held frames
    // again; an utterance found among them is passed on and ends the looking back.
    void lookBack(std::span<const std::int16_t> frame, double energy, double framePower,
                  std::vector<VadEvent>& events);
    // The floor and the noise's peaks the held frames show, and in noise the
    // energies of the frames taken for noise; none while too few frames are held.
    std::optional<Noise> heldNoise(std::deque<double>& noise) const;
    // A quarter second of the held audio's noise, or none.
    std::vector<std::int16_t> quietStretch() const;
    // Forgets the audio, the onset and any utterance in progress.
    void clearAudio();
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
    struct HeldFrame {
        double energy;     // smoothed, as in m_recentEnergies
        double framePower; // unsmoothed
    };
    bool m_lookingBack = true;             // the noise is not known yet: frames are held
    std::vector<HeldFrame> m_held;         // frames heard since the reset, while looking back
    std::vector<std::int16_t> m_heldAudio; // and their samples
    double m_lookedBackFloor = 0;          // the floor the utterance found by looking back had
    int m_lookedBackFloorFrames = 0;       // frames for which that floor still bounds the floor
    int m_extraPrerollFrames = 0;          // pre-roll beyond the settings', while looking back
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
