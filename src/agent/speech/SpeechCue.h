#pragma once

#include "agent/api/SpeechOutput.h"

#include <QtGlobal>

namespace tk::agent::speech {

// Something that happens at a point of the synthesized audio: a word begins
// (its span in the spoken QString) or the mouth takes a new shape.
struct SpeechCue {
    enum class Kind { Word, Mouth };
    qint64 sample = 0; // audio position, in samples from the start of the speech
    Kind kind = Kind::Word;
    int position = 0; // word: UTF-16 index in the text
    int length = 0;   // word: UTF-16 length
    MouthShape shape = MouthShape::Closed;
};

} // namespace tk::agent::speech
