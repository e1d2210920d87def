#include "agent/listening/ConfidenceRule.h"

#include "agent/listening/SphinxDecoder.h"

#include <algorithm>
#include <cmath>

namespace tk::agent::listening {

Confidence Confidence::measure(const DecodeResult& words, const DecodeResult& phones) {
    Confidence confidence;
    const int frames = std::max({words.frames, phones.frames, 1});
    confidence.scorePerFrame = double(words.acousticScore - phones.acousticScore) / frames;
    confidence.coverage = double(words.speechFrames) / std::max(phones.speechFrames, 1);
    confidence.wordFrames = words.speechFrames;
    return confidence;
}

bool ConfidenceRule::accepts(const Confidence& confidence) const {
    if (confidence.speechOverNoiseDb >= clearSpeechDb)
        return confidence.scorePerFrame >= minScorePerFrame && confidence.coverage >= minCoverage;
    const double limit =
        noisyMinScorePerFrame +
        noisyShortPhraseMargin / std::sqrt(double(std::max(confidence.wordFrames, 1)));
    return confidence.scorePerFrame >= limit && confidence.coverage >= noisyMinCoverage;
}

} // namespace tk::agent::listening
