#include "agent/listening/CommandRecognizer.h"

#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/SphinxDecoder.h"

namespace tk::agent::listening {

std::unique_ptr<CommandRecognizer> CommandRecognizer::create(const SpeechModelFiles& model,
                                                             QString* error) {
    auto words = SphinxDecoder::create(model, SphinxDecoder::Search::Grammar, error);
    if (!words)
        return nullptr;
    auto phones = SphinxDecoder::create(model, SphinxDecoder::Search::PhoneLoop, error);
    if (!phones)
        return nullptr;
    return std::unique_ptr<CommandRecognizer>(
        new CommandRecognizer(std::move(words), std::move(phones)));
}

CommandRecognizer::CommandRecognizer(std::unique_ptr<SphinxDecoder> words,
                                     std::unique_ptr<SphinxDecoder> phones)
    : m_words(std::move(words)), m_phones(std::move(phones)) {}

CommandRecognizer::~CommandRecognizer() = default;

QStringList CommandRecognizer::setCommands(const QList<VoiceCommand>& commands,
                                           const PronunciationResolver& resolver) {
    const CommandGrammar full(commands);
    QStringList needed;
    for (const QString& word : full.words()) {
        if (!m_addedPronunciations.contains(word))
            needed.append(word);
    }
    const ResolvedPronunciations resolved = resolver.resolve(needed);
    QSet<QString> unpronounceable(resolved.unknownWords.begin(), resolved.unknownWords.end());
    for (const QString& word : needed) {
        const QStringList pronunciations = resolved.pronunciations.value(word);
        if (pronunciations.isEmpty())
            continue;
        // The dictionary starts empty, so a word is only ever added here, with all
        // its pronunciations at once.
        bool added = m_words->addWord(word, pronunciations.first());
        for (qsizetype i = 1; added && i < pronunciations.size(); ++i)
            m_words->addWord(QStringLiteral("%1(%2)").arg(word).arg(i + 1), pronunciations.at(i));
        if (added || m_words->hasWord(word))
            m_addedPronunciations.insert(word);
        else
            unpronounceable.insert(word);
    }
    CommandGrammar usable = full.without(unpronounceable);
    if (!usable.isEmpty() && !m_words->setGrammar(usable.jsgf())) {
        qWarning("listening: the recognizer refused the grammar of %d phrases",
                 int(usable.phrases().size()));
        usable = CommandGrammar();
    }
    m_grammar = usable;
    QStringList unknown(unpronounceable.begin(), unpronounceable.end());
    unknown.sort();
    return unknown;
}

void CommandRecognizer::beginUtterance() {
    if (m_inUtterance)
        return;
    m_inUtterance = true;
    if (!m_grammar.isEmpty()) {
        m_words->startUtterance();
        m_phones->startUtterance();
    }
}

void CommandRecognizer::process(std::span<const std::int16_t> samples) {
    if (!m_inUtterance)
        return;
    m_words->process(samples);
    m_phones->process(samples);
}

bool CommandRecognizer::heardCompletePhrase() const {
    if (!m_words->inUtterance())
        return false;
    const GrammarPhrase* phrase = m_grammar.phraseFor(m_words->partialHypothesis());
    return phrase && !m_grammar.continues(phrase->spoken);
}

Recognition CommandRecognizer::endUtterance() {
    Recognition recognition;
    if (!m_inUtterance)
        return recognition;
    m_inUtterance = false;
    if (!m_words->inUtterance())
        return recognition; // nothing to recognize: no phrase is registered
    const DecodeResult words = m_words->endUtterance();
    const DecodeResult phones = m_phones->endUtterance();
    recognition.frames = std::max(words.frames, 1);
    recognition.phones = phones.hypothesis;
    const GrammarPhrase* phrase = m_grammar.phraseFor(words.hypothesis);
    if (!phrase)
        return recognition;
    recognition.decoded = phrase->spoken;
    recognition.confidence = Confidence::measure(words, phones);
    if (m_rule.accepts(recognition.confidence)) {
        recognition.command = phrase->command;
        recognition.phrase = phrase->phrase;
    }
    return recognition;
}

} // namespace tk::agent::listening
