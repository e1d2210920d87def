#pragma once

#include "agent/api/SpeechOutput.h"

#include <QString>

namespace tk::agent::speech {

// The synthesizer voice for a language id (1033 is US English, "en-us"), or
// the empty text for an id this table does not know.
QString voiceForLanguage(int languageId);

// The voice to speak with. A known language id decides the language; the
// character's own voice is kept when it is for that language, and a variant
// it names ("en-us+m3") is carried over to the language's voice. An unknown
// id leaves the character's voice as it is; no voice at all gives "en-us".
QString chooseVoice(const VoiceSettings& settings, int languageId);

} // namespace tk::agent::speech
