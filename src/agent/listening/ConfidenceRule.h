#pragma once

namespace tk::agent::listening {

struct DecodeResult;

// How well an utterance fits the phrase the grammar decoded, measured against a
// free loop of phones over the same audio. The loop is the best any speech could
// score, so a phrase that was really said stays close to it, while other speech
// forced into a phrase falls below it.
struct Confidence {
    // (grammar acoustic score - phone loop acoustic score) / frames.
    double scorePerFrame = 0;
    // The grammar's word frames / the phone loop's speech frames. Speech that
    // matches no phrase tends to be explained as a short phrase padded with
    // silence, which leaves much of the speech uncovered. (The detector's loud
    // frames are no better a reference: measured, they separate worse.)
    double coverage = 0;
    // Frames the grammar gave to words: how many frames the score rests on.
    int wordFrames = 0;
    // The loudest speech of the utterance over the noise floor (dB), as the voice
    // activity detector measured it.
    double speechOverNoiseDb = 0;

    // The confidence of words (a grammar decode) against phones (the phone loop's
    // decode of the same audio).
    static Confidence measure(const DecodeResult& words, const DecodeResult& phones);
};

// The limits an utterance must pass to raise its command, which depend on how
// clearly it stood above the noise. In clear speech the score per frame and the
// coverage have fixed limits. In noise both measures stray further, most of all
// for short phrases, whose score is the mean over fewer frames: the score limit
// there is raised by noisyShortPhraseMargin / sqrt(word frames) (by 10 for a
// 35-frame "hey", by 4.9 for a 150-frame phrase). The defaults come from the
// calibration run of the listening benchmark (bench_listening --calibrate --seed
// 5000, see bench/listening/calibration.md): the 77 catalogue phrases and 40
// unrelated sentences in six synthesized voices, in clean audio and at 30, 20 and
// 12 dB of speech over noise; they keep the most phrases with at most 1 % of the
// unrelated sentences accepted.
struct ConfidenceRule {
    double clearSpeechDb = 30; // speech at least this far over the noise is clear
    double minScorePerFrame = -15.0;
    double minCoverage = 0.50;
    double noisyMinScorePerFrame = -22.0;
    double noisyShortPhraseMargin = 60.0;
    double noisyMinCoverage = 0.55;

    // Whether confidence passes the limits for its speech over noise.
    bool accepts(const Confidence& confidence) const;
};

} // namespace tk::agent::listening
