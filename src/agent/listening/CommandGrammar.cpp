#include "agent/listening/CommandGrammar.h"

#include "agent/listening/PhraseText.h"

#include <QRegularExpression>

namespace tk::agent::listening {

namespace {

const QString kPlease = QStringLiteral("please");

QString withoutAlternativeMarks(const QString& decoded) {
    static const QRegularExpression alternativeMark(QStringLiteral("\\(\\d+\\)"));
    QString spoken = decoded;
    spoken.remove(alternativeMark);
    return spoken.simplified();
}

bool startsWithWords(const QString& text, const QString& words) {
    return !words.isEmpty() && text.size() > words.size() && text.startsWith(words) &&
           text.at(words.size()) == QLatin1Char(' ');
}

bool endsWithWord(const QString& text, const QString& word) {
    return text.size() > word.size() && text.endsWith(word) &&
           text.at(text.size() - word.size() - 1) == QLatin1Char(' ');
}

} // namespace

CommandGrammar::CommandGrammar(const QList<VoiceCommand>& commands, const QString& name)
    : m_name(spokenForm(name)) {
    for (const VoiceCommand& command : commands) {
        for (const QString& phrase : command.phrases) {
            for (const QString& spoken : spokenVariants(phrase))
                add({command.name, phrase, spoken});
        }
    }
    m_please = !m_phrases.isEmpty();
    if (m_phrases.isEmpty())
        m_name.clear();
}

void CommandGrammar::add(const GrammarPhrase& phrase) {
    if (phrase.spoken.isEmpty() || m_indexOfSpoken.contains(phrase.spoken))
        return;
    m_indexOfSpoken.insert(phrase.spoken, m_phrases.size());
    m_phrases.append(phrase);
}

QStringList CommandGrammar::words() const {
    QSet<QString> words;
    for (const GrammarPhrase& phrase : m_phrases) {
        const QStringList phraseWords = phrase.spoken.split(QLatin1Char(' '));
        words.unite(QSet<QString>(phraseWords.begin(), phraseWords.end()));
    }
    if (!m_name.isEmpty()) {
        const QStringList nameWords = m_name.split(QLatin1Char(' '));
        words.unite(QSet<QString>(nameWords.begin(), nameWords.end()));
    }
    if (m_please)
        words.insert(kPlease);
    QStringList sorted(words.begin(), words.end());
    sorted.sort();
    return sorted;
}

CommandGrammar CommandGrammar::without(const QSet<QString>& words) const {
    const auto usable = [&](const QString& spoken) {
        const QStringList phraseWords = spoken.split(QLatin1Char(' '));
        return std::none_of(phraseWords.begin(), phraseWords.end(),
                            [&](const QString& word) { return words.contains(word); });
    };
    CommandGrammar kept;
    for (const GrammarPhrase& phrase : m_phrases) {
        if (usable(phrase.spoken))
            kept.add(phrase);
    }
    if (!kept.isEmpty()) {
        kept.m_name = usable(m_name) ? m_name : QString();
        kept.m_please = m_please && !words.contains(kPlease);
    }
    return kept;
}

QByteArray CommandGrammar::jsgf() const {
    QStringList alternatives;
    for (const GrammarPhrase& phrase : m_phrases)
        alternatives.append(phrase.spoken);
    QString rule =
        QStringLiteral("( ") + alternatives.join(QStringLiteral("\n    | ")) + QStringLiteral(" )");
    if (!m_name.isEmpty())
        rule = QStringLiteral("[ %1 ] ").arg(m_name) + rule;
    if (m_please)
        rule += QStringLiteral(" [ %1 ]").arg(kPlease);
    if (!m_name.isEmpty())
        rule += QStringLiteral("\n    | %1").arg(m_name);
    return "#JSGF V1.0;\ngrammar commands;\npublic <command> = " + rule.toUtf8() + " ;\n";
}

const GrammarPhrase* CommandGrammar::phraseFor(const QString& decoded) const {
    const QString spoken = withoutAlternativeMarks(decoded);
    if (spoken.isEmpty())
        return nullptr;
    // The phrase itself first: a phrase may end in "please" or begin with the name.
    QStringList candidates{spoken};
    if (startsWithWords(spoken, m_name))
        candidates.append(spoken.mid(m_name.size() + 1));
    if (m_please) {
        for (qsizetype i = 0, n = candidates.size(); i < n; ++i) {
            if (endsWithWord(candidates.at(i), kPlease))
                candidates.append(candidates.at(i).chopped(kPlease.size() + 1));
        }
    }
    for (const QString& candidate : candidates) {
        const auto found = m_indexOfSpoken.constFind(candidate);
        if (found != m_indexOfSpoken.constEnd())
            return &m_phrases.at(*found);
    }
    return nullptr;
}

bool CommandGrammar::addressed(const QString& decoded) const {
    const QString spoken = withoutAlternativeMarks(decoded);
    return !m_name.isEmpty() && (spoken == m_name || startsWithWords(spoken, m_name));
}

bool CommandGrammar::isNameOnly(const QString& decoded) const {
    return !m_name.isEmpty() && withoutAlternativeMarks(decoded) == m_name;
}

bool CommandGrammar::continues(const QString& spoken) const {
    const QString start = spoken + QLatin1Char(' ');
    return std::any_of(m_phrases.begin(), m_phrases.end(), [&](const GrammarPhrase& phrase) {
        return phrase.spoken.startsWith(start);
    });
}

bool CommandGrammar::continuesIntoAnotherCommand(const QString& spoken) const {
    const auto own = m_indexOfSpoken.constFind(spoken);
    const QString start = spoken + QLatin1Char(' ');
    return std::any_of(m_phrases.begin(), m_phrases.end(), [&](const GrammarPhrase& phrase) {
        return phrase.spoken.startsWith(start) &&
               (own == m_indexOfSpoken.constEnd() || phrase.command != m_phrases.at(*own).command);
    });
}

} // namespace tk::agent::listening
