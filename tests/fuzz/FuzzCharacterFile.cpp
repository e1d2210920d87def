// Character file: any bytes load or are refused with a message; a character
// that loads has every index in range, so the runtime can follow them blindly.
#include "agent/characterfile/CharacterFile.h"

#include <cstdint>
#include <cstdlib>

using namespace tk::agent;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool inRange(int index, qsizetype size) {
    return index >= 0 && index < size;
}

void checkSteps(const QList<AnimationStep>& steps, const CharacterData& c) {
    for (const AnimationStep& step : steps) {
        check(inRange(step.frame, c.frames.size()));
        check(step.durationMs >= limits::kStepMinMs && step.durationMs <= limits::kStepMaxMs);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const CharacterFileResult result = parseCharacterFile(bytes, QStringLiteral("fuzz.acs"));
    if (!result.ok()) {
        check(!result.error.isEmpty());
        return 0;
    }
    const CharacterData& c = *result.character;
    check(c.images.size() <= limits::kImages && c.frames.size() <= limits::kFrames &&
          c.animations.size() <= limits::kAnimations);
    for (const Frame& frame : c.frames) {
        check(frame.layers.size() <= limits::kLayersPerFrame);
        for (const FrameLayer& layer : frame.layers)
            check(inRange(layer.image, c.images.size()));
    }
    for (const Animation& animation : c.animations) {
        checkSteps(animation.steps, c);
        checkSteps(animation.exit, c);
        if (animation.loopFrom)
            check(inRange(*animation.loopFrom, animation.steps.size()));
        check(animation.next == -1 || inRange(animation.next, c.animations.size()));
    }
    for (const QList<int>& state : c.states) {
        for (const int animation : state)
            check(inRange(animation, c.animations.size()));
    }
    for (const int mouth : c.mouths)
        check(inRange(mouth, c.images.size()));
    return 0;
}
