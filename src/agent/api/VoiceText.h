#pragma once

#include <QString>
#include <QStringList>

namespace tk::agent {

// The phrases of a voice text, a run of phrases each in square brackets
// ("[hello][hi there]"), as written and in order. Text outside brackets, empty
// phrases and an unclosed last bracket are ignored.
QStringList voicePhrases(const QString& voiceText);

} // namespace tk::agent
