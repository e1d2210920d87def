#pragma once

#include "agent/api/SpeechOutput.h"

#include <QStringView>

namespace tk::agent::speech {

// The mouth shape that shows a phoneme, given by its IPA name as the
// synthesizer reports it (stress and length marks allowed). A pause (empty
// name) closes the mouth; a sound of no known group opens it a little.
MouthShape mouthShapeForPhoneme(QStringView ipa);

} // namespace tk::agent::speech
