#include "agent/listening/CommandRecognizer.h"

#include "agent/listening/PronunciationResolver.h"
#include "agent/listening/SphinxDecoder.h"

#include <algorithm>
#include <future>
#include <system_error>

namespace tk::agent::listening {

namespace {
// The dither's largest step; its level is about 40 dB under quiet speech.
constexpr int kDitherPeak = 24;
// The noise suppressor learns the noise from this much of the start of an
// utterance: the detector's pre-roll, before the frames that opened it.
constexpr std::size_t kNoiseLeadSamples = 20 * 160;
} // namespace

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
                                           const PronunciationResolver& resolver,
                                           const QString& name) {
    const CommandGrammar full(commands, name);
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
    m_audio.clear();
    m_dither.clear();
    m_decoded = m_phonesDecoded = false;
}

void CommandRecognizer::setNoiseSuppression(bool on, const NoiseSuppressorSettings& settings) {
    m_suppressNoise = on;
    m_suppressor = NoiseSuppressor(settings);
    m_decoded = m_phonesDecoded = false;
}

void CommandRecognizer::setSpeechOverNoise(double db) {
    m_speechOverNoiseDb = db;
    // The decodes made so far heard the audio otherwise: they no longer count.
    if (m_decoded && suppressNoise() != m_suppressedDecoderAudio)
        m_decoded = m_phonesDecoded = false;
}

bool CommandRecognizer::suppressNoise() const {
    return m_suppressNoise && m_speechOverNoiseDb < kLoudNoiseDb;
}

void CommandRecognizer::process(std::span<const std::int16_t> samples) {
    if (!m_inUtterance || m_grammar.isEmpty() || samples.empty())
        return;
    m_decoded = m_phonesDecoded = false; // the decodes no longer cover all the audio
    // A faint hiss (triangular noise, kDitherPeak at most) gives digital silence and
    // digitally clean speech the noise floor every microphone has: on exact zeros
    // the features degenerate, and on clean synthesized speech the phone loop
    // outscores the grammar by more than on the same speech from a microphone.
    // xorshift32, so that the same audio decodes the same.
    m_audio.insert(m_audio.end(), samples.begin(), samples.end());
    m_dither.reserve(m_dither.size() + samples.size());
    const auto next = [this] {
        m_ditherState ^= m_ditherState << 13;
        m_ditherState ^= m_ditherState >> 17;
        m_ditherState ^= m_ditherState << 5;
        return int(m_ditherState % (2 * kDitherPeak + 1)) - kDitherPeak;
    };
    for (std::size_t i = 0; i < samples.size(); ++i)
        m_dither.push_back(std::int16_t((next() + next()) / 2));
}

void CommandRecognizer::prepareDecoderAudio() {
    std::span<const std::int16_t> heard = m_audio;
    std::vector<std::int16_t> cleaned;
    m_suppressedDecoderAudio = suppressNoise();
    if (m_suppressedDecoderAudio) {
        m_suppressor.learnNoise(heard.first(std::min(heard.size(), kNoiseLeadSamples)));
        cleaned = m_suppressor.apply(heard);
        heard = cleaned;
    }
    m_decoderAudio.resize(heard.size());
    for (std::size_t i = 0; i < heard.size(); ++i)
        m_decoderAudio[i] = std::int16_t(std::clamp(heard[i] + m_dither[i], -32768, 32767));
}

void CommandRecognizer::decodeAudio(bool phonesNeeded) {
    if (m_decoded && (m_phonesDecoded || !phonesNeeded))
        return;
    if (!m_decoded)
        prepareDecoderAudio();
    if (m_addressedOnly || m_decoded) {
        if (!m_decoded) {
            m_decodedWords = m_words->decode(m_decoderAudio);
            m_decoded = true;
        }
        if (phonesNeeded && (!m_addressedOnly || m_grammar.addressed(m_decodedWords.hypothesis))) {
            m_decodedPhones = m_phones->decode(m_decoderAudio);
            m_phonesDecoded = true;
        }
        return;
    }
    // The two decoders are independent: the phone loop runs on a second thread
    // while this one searches the grammar, which halves the wait after speech.
    std::future<DecodeResult> phones;
    try {
        phones =
            std::async(std::launch::async, [this] { return m_phones->decode(m_decoderAudio); });
    } catch (const std::system_error&) {
        // No thread to be had: decode one after the other.
    }
    m_decodedWords = m_words->decode(m_decoderAudio);
    m_decodedPhones = phones.valid() ? phones.get() : m_phones->decode(m_decoderAudio);
    m_decoded = true;
    m_phonesDecoded = true;
}

CommandRecognizer::PhraseEnd CommandRecognizer::phraseEnd() {
    if (!m_inUtterance || m_grammar.isEmpty() || m_audio.empty())
        return PhraseEnd::Open;
    decodeAudio(false);
    const GrammarPhrase* phrase = m_grammar.phraseFor(m_decodedWords.hypothesis);
    if (!phrase || m_grammar.continuesIntoAnotherCommand(phrase->spoken))
        return PhraseEnd::Open;
    return m_grammar.continues(phrase->spoken) ? PhraseEnd::Continued : PhraseEnd::Complete;
}

bool CommandRecognizer::decodesAsAddressed() {
    if (!m_inUtterance || m_grammar.isEmpty() || m_audio.empty())
        return false;
    decodeAudio(false);
    return m_grammar.addressed(m_decodedWords.hypothesis);
}

void CommandRecognizer::cancelUtterance() {
    m_inUtterance = false;
    m_audio.clear();
    m_dither.clear();
    m_decoded = m_phonesDecoded = false;
}

Recognition CommandRecognizer::endUtterance(double speechOverNoiseDb) {
    Recognition recognition;
    if (!m_inUtterance)
        return recognition;
    m_inUtterance = false;
    if (m_grammar.isEmpty() || m_audio.empty())
        return recognition; // nothing to recognize: no phrase is registered
    setSpeechOverNoise(speechOverNoiseDb);
    // After a pause judged final the audio has not grown, and the decodes made to
    // judge it are the answer.
    decodeAudio(true);
    const DecodeResult& words = m_decodedWords;
    const DecodeResult& phones = m_decodedPhones;
    recognition.frames = std::max(words.frames, 1);
    const bool phonesDecoded = m_phonesDecoded;
    if (phonesDecoded)
        recognition.phones = phones.hypothesis;
    const GrammarPhrase* phrase = m_grammar.phraseFor(words.hypothesis);
    m_audio.clear();
    m_dither.clear();
    m_decoded = m_phonesDecoded = false;
    if (!phrase) {
        recognition.nameOnly = m_grammar.isNameOnly(words.hypothesis);
        return recognition;
    }
    recognition.decoded = phrase->spoken;
    recognition.addressed = m_grammar.addressed(words.hypothesis);
    if (!phonesDecoded)
        return recognition; // not addressed while only addressed phrases count
    recognition.confidence = Confidence::measure(words, phones);
    recognition.confidence.speechOverNoiseDb = speechOverNoiseDb;
    if (m_rule.accepts(recognition.confidence)) {
        recognition.command = phrase->command;
        recognition.phrase = phrase->phrase;
    }
    return recognition;
}

} // namespace tk::agent::listening
