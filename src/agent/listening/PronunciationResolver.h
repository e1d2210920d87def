#pragma once

#include "agent/listening/PronunciationLexicon.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

namespace tk::agent::listening {

// Gives a word's phoneme mnemonics as the speech synthesizer would say it, or ""
// when it cannot.
using WordPhonemizer = std::function<QString(const QString& word)>;

// Where a word's pronunciations came from.
enum class PronunciationOrigin { Reviewed, ModelDictionary, Synthesizer };

struct ResolvedPronunciations {
    QHash<QString, QStringList> pronunciations; // word -> "PH PH ..." alternatives
    QHash<QString, PronunciationOrigin> origins;
    QStringList unknownWords; // words nothing could pronounce
};

// Finds pronunciations for grammar words: the reviewed lexicon first (it knows the
// words of the program's own phrases and corrects the model dictionary where that
// misleads the grammar), then the model's dictionary, then the synthesizer's
// phonemes mapped to the recognizer's phones.
class PronunciationResolver {
public:
    PronunciationResolver(QString modelDictionaryPath, PronunciationLexicon reviewed,
                          WordPhonemizer phonemizer);

    ResolvedPronunciations resolve(const QStringList& words) const;

    // The reviewed lexicon kept with the program.
    static PronunciationLexicon reviewedLexicon();
    // Phonemes from the speech synthesizer's command-line program (a separate
    // process, so that the synthesizer engine of the speech output is never
    // entered from this thread); "" when the program is missing or fails.
    static QString espeakProgramPhonemes(const QString& word);

private:
    QString m_modelDictionaryPath;
    PronunciationLexicon m_reviewed;
    WordPhonemizer m_phonemizer;
};

} // namespace tk::agent::listening
