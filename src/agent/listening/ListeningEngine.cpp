#include "agent/listening/ListeningEngine.h"

namespace tk::agent::listening {

namespace {
// Quiet frames at the end of an utterance that the decoders get. The detector
// waits far longer before it ends an utterance, but the grammar can explain
// trailing noise only as silence, and a long noisy tail can push its final
// state out of the search beam.
constexpr int kDecodedTailFrames = 15;
// With the name required, an utterance longer than this (the name, the longest
// phrase spoken slowly and "please" fit well within it) is background speech.
constexpr int kLongestAddressedFrames = 600;
// Quiet frames that end a whole phrase which longer phrases of the same command
// continue ("how old are you" before ", tovrin"): longer than the pause of a
// comma, shorter than the full hangover.
constexpr int kContinuedPhraseFrames = 28;
// With the name required, the words of the first this many frames of an
// utterance (its pre-roll included: about half a second of speech) are decoded
// once; unless they begin with the name the utterance is given up.
constexpr int kNameCheckFrames = 80;
// How long the name said alone waits for the phrase it leads (16 kHz samples).
constexpr qint64 kNameHoldSamples = 2 * 16000;
} // namespace

ListeningEngine::ListeningEngine(std::unique_ptr<CommandRecognizer> recognizer,
                                 PronunciationResolver resolver, const VadSettings& vad)
    : m_recognizer(std::move(recognizer)), m_resolver(std::move(resolver)), m_vad(vad) {}

void ListeningEngine::setCommands(const QList<VoiceCommand>& commands, const QString& name) {
    m_pendingCommands = PendingCommands{commands, name};
    if (!m_vad.inUtterance())
        applyPendingCommands();
}

void ListeningEngine::applyPendingCommands() {
    if (!m_pendingCommands)
        return;
    m_unpronounceable =
        m_recognizer->setCommands(m_pendingCommands->commands, m_resolver, m_pendingCommands->name);
    m_pendingCommands.reset();
}

std::vector<ListeningEvent> ListeningEngine::push(std::span<const std::int16_t> samples) {
    std::vector<ListeningEvent> out;
    // Frame by frame, so that a pause is judged on exactly the audio before it.
    while (!samples.empty()) {
        const std::size_t take =
            std::min(samples.size(), std::size_t(VoiceActivityDetector::kFrameSamples));
        std::vector<VadEvent> events = m_vad.push(samples.first(take));
        samples = samples.subspan(take);
        m_position += qint64(take);
        for (VadEvent& event : events)
            handle(event, out);
        if (m_endAfterQuiet > 0 && m_vad.inUtterance()) {
            if (m_vad.trailingQuietFrames() == 0) {
                m_endAfterQuiet = 0; // speech went on: the next pause is judged afresh
            } else if (m_vad.trailingQuietFrames() >= m_endAfterQuiet) {
                for (VadEvent& ended : m_vad.finishUtterance())
                    handle(ended, out);
            }
        }
    }
    flushAudio();
    return out;
}

void ListeningEngine::handle(VadEvent& event, std::vector<ListeningEvent>& out) {
    switch (event.kind) {
    case VadEvent::Kind::Started: {
        m_recognizer->beginUtterance();
        m_abandoned = false;
        m_nameChecked = false;
        // Speech right after the name said alone is addressed whatever its words.
        const qint64 start =
            m_position - qint64(m_vad.utteranceFrames()) * VoiceActivityDetector::kFrameSamples;
        m_recognizer->setAddressedOnly(m_nameRequired &&
                                       !(m_nameHeldUntil >= 0 && start <= m_nameHeldUntil));
        if (!m_nameRequired)
            out.push_back({ListeningEvent::Kind::HearingStarted, {}, 0});
        break;
    }
    case VadEvent::Kind::Audio:
        if (m_abandoned)
            break;
        m_unfed.insert(m_unfed.end(), event.samples.begin(), event.samples.end());
        if (m_nameRequired && m_vad.utteranceFrames() > kLongestAddressedFrames) {
            abandonUtterance();
        } else if (m_recognizer->addressedOnly() && !m_nameChecked &&
                   m_vad.utteranceFrames() >= kNameCheckFrames) {
            m_nameChecked = true;
            flushAudio();
            checkAddressed();
        }
        break;
    case VadEvent::Kind::Paused:
        if (m_abandoned)
            break;
        flushAudio();
        if (m_recognizer->addressedOnly() && !checkAddressed())
            break;
        switch (m_recognizer->phraseEnd()) {
        case CommandRecognizer::PhraseEnd::Complete:
            for (VadEvent& ended : m_vad.finishUtterance())
                handle(ended, out);
            break;
        case CommandRecognizer::PhraseEnd::Continued:
            // The decode of the audio so far stays the answer unless speech resumes.
            m_endAfterQuiet = kContinuedPhraseFrames;
            m_decodedTailFrames = m_vad.trailingQuietFrames();
            break;
        case CommandRecognizer::PhraseEnd::Open:
            break;
        }
        break;
    case VadEvent::Kind::Ended: {
        m_endAfterQuiet = 0;
        if (m_abandoned) {
            m_abandoned = false;
            applyPendingCommands();
            break;
        }
        flushAudio();
        m_unfed.clear(); // the rest of the quiet tail
        heard(m_recognizer->endUtterance(m_vad.speechOverNoiseDbAtEnd()), out);
        applyPendingCommands();
        break;
    }
    }
}

void ListeningEngine::heard(Recognition recognition, std::vector<ListeningEvent>& out) {
    const int quietMs = m_vad.trailingQuietFrames() * 10;
    if (recognition.nameOnly) {
        m_nameHeldUntil = m_position - qint64(quietMs) * 16 + kNameHoldSamples;
        return;
    }
    // The utterance started (its onset) before the held name ran out.
    const qint64 utteranceStart =
        m_position - qint64(m_vad.utteranceFramesAtEnd()) * VoiceActivityDetector::kFrameSamples;
    if (m_nameHeldUntil >= 0 && utteranceStart <= m_nameHeldUntil)
        recognition.addressed = true;
    m_nameHeldUntil = -1;
    const bool addressed = recognition.addressed && !recognition.command.isEmpty();
    if (!m_nameRequired || addressed)
        out.push_back({ListeningEvent::Kind::Heard, std::move(recognition), quietMs});
}

void ListeningEngine::setNameRequired(bool required) {
    m_nameRequired = required;
    if (!required)
        m_recognizer->setAddressedOnly(false);
}

bool ListeningEngine::checkAddressed() {
    if (!m_recognizer->decodesAsAddressed()) {
        abandonUtterance();
        return false;
    }
    // Addressed: from now on both decoders run at once, for the quickest answer.
    m_recognizer->setAddressedOnly(false);
    return true;
}

void ListeningEngine::abandonUtterance() {
    m_abandoned = true;
    m_endAfterQuiet = 0;
    m_unfed.clear();
    m_recognizer->cancelUtterance();
}

void ListeningEngine::flushAudio() {
    // Every decode follows this: it decides whether the noise is loud enough to be
    // suppressed before decoding.
    if (m_vad.inUtterance())
        m_recognizer->setSpeechOverNoise(m_vad.speechOverNoiseDb());
    // Quiet audio beyond the tail the decoders get is held back: it is fed when
    // speech resumes (a pause inside the utterance) and dropped when it ends.
    if (m_endAfterQuiet == 0)
        m_decodedTailFrames = kDecodedTailFrames;
    const std::size_t heldBack =
        std::min(m_unfed.size(),
                 std::size_t(std::max(0, m_vad.trailingQuietFrames() - m_decodedTailFrames)) *
                     VoiceActivityDetector::kFrameSamples);
    const std::size_t feed = m_unfed.size() - heldBack;
    if (feed == 0)
        return;
    m_recognizer->process(std::span<const std::int16_t>(m_unfed.data(), feed));
    m_unfed.erase(m_unfed.begin(), m_unfed.begin() + std::ptrdiff_t(feed));
}

void ListeningEngine::reset(Noise noise) {
    m_unfed.clear();
    m_recognizer->cancelUtterance();
    m_abandoned = false;
    m_endAfterQuiet = 0;
    m_nameHeldUntil = -1;
    if (noise == Noise::Keep)
        m_vad.restart();
    else
        m_vad.reset();
    applyPendingCommands();
}

} // namespace tk::agent::listening
