#include "agent/listening/ListeningWorker.h"

#include "agent/listening/ListeningLog.h"

namespace tk::agent::listening {

namespace {

// Audio this recent comes from the room as it still is.
constexpr qint64 kSameRoomMs = 120000;

} // namespace

ListeningWorker::ListeningWorker(SpeechModelFiles model) : m_model(std::move(model)) {}

ListeningWorker::~ListeningWorker() = default;

bool ListeningWorker::ensureEngine() {
    if (m_engine)
        return true;
    if (m_failed)
        return false;
    QString error;
    auto recognizer = CommandRecognizer::create(m_model, &error);
    if (!recognizer) {
        m_failed = true;
        emit failed(QStringLiteral("Tovrin cannot listen because the speech recognizer could "
                                   "not start: %1.")
                        .arg(error));
        return false;
    }
    m_engine = std::make_unique<ListeningEngine>(
        std::move(recognizer),
        PronunciationResolver(m_model.dictionary, PronunciationResolver::reviewedLexicon(),
                              &PronunciationResolver::espeakProgramPhonemes));
    applyCommands();
    return true;
}

void ListeningWorker::applyCommands() {
    m_engine->setCommands(m_commands, m_name);
    if (!m_engine->unpronounceableWords().isEmpty())
        emit unpronounceableWords(m_engine->unpronounceableWords());
}

void ListeningWorker::setCommands(const QList<VoiceCommand>& commands) {
    m_commands = commands;
    if (m_engine)
        applyCommands(); // else applied when the engine is loaded
}

void ListeningWorker::setCharacterName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    if (m_engine)
        applyCommands();
}

void ListeningWorker::listen(quint64 stream, bool nameRequired) {
    if (!ensureEngine())
        return;
    if (stream != m_stream) {
        // A session opened soon after the last audio (Tovrin has just spoken, the
        // key is pressed again) hears the same room: its speech is measured at
        // once against the noise heard then, instead of after the detector has
        // learned the noise afresh, which would lose words said straight away.
        const bool sameRoom = m_sinceAudio.isValid() && m_sinceAudio.elapsed() <= kSameRoomMs;
        m_engine->reset(sameRoom ? ListeningEngine::Noise::Keep : ListeningEngine::Noise::Forget);
        m_inUtterance = false;
    }
    m_stream = stream;
    m_engine->setNameRequired(nameRequired);
    emit ready(stream);
}

void ListeningWorker::stop() {
    m_stream = 0;
    m_inUtterance = false;
    // The next listen() decides whether the noise heard so far still counts.
    if (m_engine)
        m_engine->reset(ListeningEngine::Noise::Keep);
}

void ListeningWorker::push(quint64 stream, const std::vector<std::int16_t>& samples) {
    if (stream != m_stream || !m_engine)
        return;
    m_sinceAudio.start();
    for (const ListeningEvent& event : m_engine->push(samples)) {
        if (event.kind == ListeningEvent::Kind::HearingStarted)
            emit hearingStarted(stream);
        else {
            const Recognition& r = event.recognition;
            // What the utterance decoded to; QT_LOGGING_RULES="tk.listening.debug=true" shows it.
            qCDebug(lcListening).nospace()
                << "utterance of " << r.frames << " frames: \"" << r.decoded << "\" score/frame "
                << r.confidence.scorePerFrame << " coverage " << r.confidence.coverage << " -> \""
                << r.command << "\" (phones: " << r.phones << ")";
            emit heard(stream, r.command, r.phrase);
        }
    }
    if (m_engine->inUtterance() != m_inUtterance) {
        m_inUtterance = m_engine->inUtterance();
        qCDebug(lcListening) << (m_inUtterance ? "utterance began" : "utterance ended");
        emit utteranceChanged(stream, m_inUtterance);
    }
}

} // namespace tk::agent::listening
