#pragma once

#include "agent/api/SpeechInput.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// One way of saying a phrase the recognizer can decode, and the command it raises.
struct GrammarPhrase {
    QString command; // the command's name
    QString phrase;  // the phrase as registered ("What's your age?")
    QString spoken;  // this way of saying it ("what's your age" or "what is your age")
};

// The phrases of a set of voice commands as one recognition grammar. Each phrase
// may be said as written or with its contractions in full, after the character's
// name ("tovrin, how old are you") and before "please". A spoken form that two
// commands share raises the one registered first; phrases with no words are left
// out.
class CommandGrammar {
public:
    CommandGrammar() = default;
    // name is the character's name as written ("Tovrin"); "" for none.
    explicit CommandGrammar(const QList<VoiceCommand>& commands, const QString& name = {});

    bool isEmpty() const { return m_phrases.isEmpty(); }
    // Every way of saying every phrase, registration order, written forms first.
    const QList<GrammarPhrase>& phrases() const { return m_phrases; }
    // The spoken form of the name that may lead a phrase; "" for none.
    const QString& name() const { return m_name; }
    // Every distinct word the grammar uses, the name and "please" included, sorted.
    QStringList words() const;
    // The same grammar without the phrases that use any of these words (without
    // the leading name or the trailing "please" when those are among them).
    CommandGrammar without(const QSet<QString>& words) const;
    // The grammar in JSGF: one public rule, the optional name, every spoken form
    // as an alternative, the optional "please"; or the name alone.
    QByteArray jsgf() const;
    // The phrase that decoded says, with or without the leading name and trailing
    // "please" (alternative-pronunciation marks such as "what(2)" are ignored);
    // nullptr when none is.
    const GrammarPhrase* phraseFor(const QString& decoded) const;
    // Whether decoded begins with the name (the phrase was addressed to the
    // character).
    bool addressed(const QString& decoded) const;
    // Whether decoded is the name alone (the grammar lets it be said on its own,
    // so that a pause after it does not end the utterance on a short phrase).
    bool isNameOnly(const QString& decoded) const;
    // Whether a longer phrase starts with the words of spoken ("how old are you"
    // goes on in "how old are you tovrin"); the trailing "please" does not count.
    bool continues(const QString& spoken) const;
    // Whether a longer phrase that starts with the words of spoken raises another
    // command than spoken's own ("hey" goes on only in greetings).
    bool continuesIntoAnotherCommand(const QString& spoken) const;

private:
    void add(const GrammarPhrase& phrase);

    QList<GrammarPhrase> m_phrases;
    QHash<QString, qsizetype> m_indexOfSpoken;
    QString m_name;
    bool m_please = false;
};

} // namespace tk::agent::listening
