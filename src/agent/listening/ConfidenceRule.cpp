#include "agent/listening/ConfidenceRule.h"

#include "agent/listening/SphinxDecoder.h"

#include <algorithm>

namespace tk::agent::listening {

Confidence Confidence::measure(const DecodeResult& words, const DecodeResult& phones) {
    Confidence confidence;
    const int frames = std::max({words.frames, phones.frames, 1});
    confidence.scorePerFrame = double(words.acousticScore - phones.acousticScore) / frames;
    confidence.coverage = double(words.speechFrames) / std::max(phones.speechFrames, 1);
    return confidence;
}

} // namespace tk::agent::listening
