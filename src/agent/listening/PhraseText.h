#pragma once

#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// The words a voice phrase is spoken as: lower-cased, punctuation dropped,
// apostrophes kept inside words ("What's your age, Tovrin?" gives "what's",
// "your", "age", "tovrin"). Typographic apostrophes count as "'".
QStringList phraseWords(const QString& phrase);

// The words of phrase joined by single blanks: the form the recognizer decodes.
QString spokenForm(const QString& phrase);

// The ways phrase may be said: its spoken form first, then every form with one
// or more of its contractions spoken in full ("what's your age" also gives "what
// is your age"). Possessives ("mother's") stay as they are.
QStringList spokenVariants(const QString& phrase);

} // namespace tk::agent::listening
