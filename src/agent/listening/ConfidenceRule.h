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
    // silence, which leaves much of the speech uncovered.
    double coverage = 0;

    // The confidence of words (a grammar decode) against phones (the phone loop's
    // decode of the same audio).
    static Confidence measure(const DecodeResult& words, const DecodeResult& phones);
};

// The limits an utterance must pass to raise its command. The defaults come from
// the calibration run of the listening benchmark (bench_listening --calibrate):
// synthesized catalogue phrases against unrelated sentences, several voices and
// noise levels.
struct ConfidenceRule {
    double minScorePerFrame = -15.0;
    double minCoverage = 0.55;

    bool accepts(const Confidence& confidence) const {
        return confidence.scorePerFrame >= minScorePerFrame && confidence.coverage >= minCoverage;
    }
};

} // namespace tk::agent::listening
