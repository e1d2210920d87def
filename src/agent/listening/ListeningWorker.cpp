#include "agent/listening/ListeningWorker.h"

#include <QLoggingCategory>

namespace tk::agent::listening {

namespace {
// What each utterance decoded to; QT_LOGGING_RULES="tk.listening.debug=true" shows it.
Q_LOGGING_CATEGORY(lcUtterances, "tk.listening", QtInfoMsg)
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
    m_engine->setCommands(m_commands);
    if (!m_engine->unpronounceableWords().isEmpty())
        emit unpronounceableWords(m_engine->unpronounceableWords());
    return true;
}

void ListeningWorker::setCommands(const QList<VoiceCommand>& commands) {
    m_commands = commands;
    if (!m_engine)
        return; // applied when the engine is loaded
    m_engine->setCommands(commands);
    if (!m_engine->unpronounceableWords().isEmpty())
        emit unpronounceableWords(m_engine->unpronounceableWords());
}

void ListeningWorker::startSession(quint64 session) {
    if (!ensureEngine())
        return;
    m_engine->reset();
    m_session = session;
}

void ListeningWorker::stopSession() {
    m_session = 0;
    if (m_engine)
        m_engine->reset();
}

void ListeningWorker::push(quint64 session, const std::vector<std::int16_t>& samples) {
    if (session != m_session || !m_engine)
        return;
    for (const ListeningEvent& event : m_engine->push(samples)) {
        if (event.kind == ListeningEvent::Kind::HearingStarted)
            emit hearingStarted(session);
        else {
            const Recognition& r = event.recognition;
            qCDebug(lcUtterances).nospace()
                << "utterance of " << r.frames << " frames: \"" << r.decoded << "\" score/frame "
                << r.confidence.scorePerFrame << " coverage " << r.confidence.coverage << " -> \""
                << r.command << "\" (phones: " << r.phones << ")";
            emit heard(session, r.command, r.phrase);
        }
    }
}

} // namespace tk::agent::listening
