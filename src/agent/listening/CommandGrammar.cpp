#include "agent/listening/CommandGrammar.h"

#include "agent/listening/PhraseText.h"

#include <QRegularExpression>

namespace tk::agent::listening {

CommandGrammar::CommandGrammar(const QList<VoiceCommand>& commands) {
    QSet<QString> seen;
    for (const VoiceCommand& command : commands) {
        for (const QString& phrase : command.phrases) {
            const QString spoken = spokenForm(phrase);
            if (spoken.isEmpty() || seen.contains(spoken))
                continue;
            seen.insert(spoken);
            m_phrases.append({command.name, phrase, spoken});
        }
    }
}

QStringList CommandGrammar::words() const {
    QSet<QString> words;
    for (const GrammarPhrase& phrase : m_phrases) {
        const QStringList phraseWords = phrase.spoken.split(QLatin1Char(' '));
        words.unite(QSet<QString>(phraseWords.begin(), phraseWords.end()));
    }
    QStringList sorted(words.begin(), words.end());
    sorted.sort();
    return sorted;
}

CommandGrammar CommandGrammar::without(const QSet<QString>& words) const {
    CommandGrammar kept;
    for (const GrammarPhrase& phrase : m_phrases) {
        const QStringList phraseWords = phrase.spoken.split(QLatin1Char(' '));
        const bool usable = std::none_of(phraseWords.begin(), phraseWords.end(),
                                         [&](const QString& word) { return words.contains(word); });
        if (usable)
            kept.m_phrases.append(phrase);
    }
    return kept;
}

QByteArray CommandGrammar::jsgf() const {
    QStringList alternatives;
    for (const GrammarPhrase& phrase : m_phrases)
        alternatives.append(phrase.spoken);
    return "#JSGF V1.0;\ngrammar commands;\npublic <command> = " +
           alternatives.join(QStringLiteral("\n    | ")).toUtf8() + " ;\n";
}

const GrammarPhrase* CommandGrammar::phraseFor(const QString& decoded) const {
    static const QRegularExpression alternativeMark(QStringLiteral("\\(\\d+\\)"));
    QString spoken = decoded;
    spoken.remove(alternativeMark);
    spoken = spoken.simplified();
    for (const GrammarPhrase& phrase : m_phrases) {
        if (phrase.spoken == spoken)
            return &phrase;
    }
    return nullptr;
}

bool CommandGrammar::continues(const QString& spoken) const {
    const QString start = spoken + QLatin1Char(' ');
    return std::any_of(m_phrases.begin(), m_phrases.end(), [&](const GrammarPhrase& phrase) {
        return phrase.spoken.startsWith(start);
    });
}

} // namespace tk::agent::listening
