#pragma once

#include <QString>

namespace tk::test {

// A WAV file in dir of text said by espeak-ng over a little white noise that
// begins 0.6 s before the voice, for playing into a private microphone; empty
// when it could not be made.
QString spokenWav(const QString& dir, const QString& text);
// Why this machine cannot say words into a private microphone, or empty.
QString missingSpeechTools();

} // namespace tk::test
