#pragma once

#include "agent/api/SpeechInput.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// One phrase the recognizer can decode, and the command it raises.
struct GrammarPhrase {
    QString command; // the command's name
    QString phrase;  // the phrase as registered ("How are you?")
    QString spoken;  // its spoken form ("how are you")
};

// The phrases of a set of voice commands as one recognition grammar. A spoken
// form that two commands share raises the one registered first; phrases with no
// words are left out.
class CommandGrammar {
public:
    CommandGrammar() = default;
    explicit CommandGrammar(const QList<VoiceCommand>& commands);

    bool isEmpty() const { return m_phrases.isEmpty(); }
    const QList<GrammarPhrase>& phrases() const { return m_phrases; }
    // Every distinct word of the phrases, sorted.
    QStringList words() const;
    // The same grammar without the phrases that use any of these words.
    CommandGrammar without(const QSet<QString>& words) const;
    // The grammar in JSGF, one public rule with every spoken form as an alternative.
    QByteArray jsgf() const;
    // The phrase whose spoken form is decoded (alternative-pronunciation marks such
    // as "what(2)" are ignored); nullptr when none is.
    const GrammarPhrase* phraseFor(const QString& decoded) const;
    // Whether a longer phrase starts with the words of spoken ("how old are you"
    // goes on in "how old are you tovrin").
    bool continues(const QString& spoken) const;

private:
    QList<GrammarPhrase> m_phrases;
};

} // namespace tk::agent::listening
