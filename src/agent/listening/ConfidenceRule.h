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

    // The confidence of words (a grammar decode) against phones (the phone loop's
    // decode of the same audio).
    static Confidence measure(const DecodeResult& words, const DecodeResult& phones);
};

// The limits an utterance must pass to raise its command. The defaults come from
// the calibration run of the listening benchmark (bench_listening --calibrate
// --seed 5000, see bench/listening/calibration.md): the 77 catalogue phrases and
// 40 unrelated sentences in four synthesized voices at 30, 20 and 12 dB of
// speech over noise. They are the limits that keep the most phrases with at most
// 1 % false accepts: 90.7 % of the phrases raised their command, 0.8 % of the
// unrelated sentences raised one.
struct ConfidenceRule {
    double minScorePerFrame = -15.5;
    double minCoverage = 0.75;

    bool accepts(const Confidence& confidence) const {
        return confidence.scorePerFrame >= minScorePerFrame && confidence.coverage >= minCoverage;
    }
};

} // namespace tk::agent::listening
