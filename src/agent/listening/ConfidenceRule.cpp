#include "agent/listening/ConfidenceRule.h"

#include "agent/listening/SphinxDecoder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tk::agent::listening {

Confidence Confidence::measure(const DecodeResult& words, const DecodeResult& phones) {
    Confidence confidence;
    const int frames = std::max({words.frames, phones.frames, 1});
    confidence.scorePerFrame = double(words.acousticScore - phones.acousticScore) / frames;
    confidence.coverage = double(words.speechFrames) / std::max(phones.speechFrames, 1);

    // The loop's score spread evenly over the frames of each of its phones.
    std::vector<double> loopFrame(std::size_t(frames) + 1, 0.0);
    for (const DecodedSegment& phone : phones.segments) {
        const int first = std::clamp(phone.firstFrame, 0, frames);
        const int last = std::clamp(phone.lastFrame, first, frames);
        const double perFrame = double(phone.acousticScore) / (last - first + 1);
        for (int f = first; f <= last; ++f)
            loopFrame[std::size_t(f)] = perFrame;
    }
    double worst = std::numeric_limits<double>::infinity();
    for (const DecodedSegment& word : words.segments) {
        if (!word.speech)
            continue;
        const int first = std::clamp(word.firstFrame, 0, frames);
        const int last = std::clamp(word.lastFrame, first, frames);
        double loop = 0;
        for (int f = first; f <= last; ++f)
            loop += loopFrame[std::size_t(f)];
        worst = std::min(worst, (double(word.acousticScore) - loop) / (last - first + 1));
    }
    confidence.worstWordScore = std::isinf(worst) ? confidence.scorePerFrame : worst;
    return confidence;
}

} // namespace tk::agent::listening
