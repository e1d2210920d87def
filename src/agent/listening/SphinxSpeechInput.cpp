#include "agent/listening/SphinxSpeechInput.h"

#include "agent/listening/ListeningLog.h"
#include "agent/listening/ListeningWorker.h"
#include "agent/listening/MicrophoneCapture.h"

namespace tk::agent::listening {

namespace {
constexpr int kDefaultQuietMs = 8000;
// Asked of the capture: during an utterance it wakes the worker every 40 ms of
// audio. While no one speaks, a listening session gets 250 ms pieces, so that
// hearing shows soon; always listening between sessions gets 500 ms pieces, half
// the wake-ups of a quiet room (measured: replies come no later).
constexpr int kHearingPieceMs = 40;
constexpr int kSessionQuietPieceMs = 250;
constexpr int kQuietPieceMs = 500;
} // namespace

SphinxSpeechInput::SphinxSpeechInput(QObject* parent)
    : SphinxSpeechInput(new MicrophoneCapture, SpeechModelFiles::installed(), parent) {}

SphinxSpeechInput::SphinxSpeechInput(AudioCapture* capture, const SpeechModelFiles& model,
                                     QObject* parent)
    : SpeechInput(parent), m_capture(capture), m_model(model),
      m_worker(new ListeningWorker(model)) {
    m_capture->setParent(this);
    if (!model.missingFiles().isEmpty()) {
        m_modelProblem = QStringLiteral("Tovrin cannot listen because the speech recognition "
                                        "model is not installed (package pocketsphinx-en-us).");
        qCInfo(lcListening) << "missing model files:" << model.missingFiles();
    }
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kDefaultQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &SphinxSpeechInput::stopListening);

    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("listening"));
    connect(m_worker, &ListeningWorker::ready, this, [this](quint64 stream) {
        // The quiet time of a session counts from when the recognizer listens:
        // loading it on a slow machine does not use up the session.
        if (stream == m_stream && m_session && !m_workerHearing && !m_quiet.isActive())
            m_quiet.start();
    });
    connect(m_worker, &ListeningWorker::hearingStarted, this, &SphinxSpeechInput::onHearingStarted);
    connect(m_worker, &ListeningWorker::heard, this, &SphinxSpeechInput::onHeard);
    connect(m_worker, &ListeningWorker::utteranceChanged, this,
            [this](quint64 stream, bool inUtterance) {
                if (stream != m_stream)
                    return;
                m_workerHearing = inUtterance;
                askPieceDuration();
                // An utterance that raised nothing (the name said alone) leaves the
                // session waiting for speech again, as a heard phrase does.
                if (!inUtterance && m_session && !m_quiet.isActive())
                    m_quiet.start();
            });
    connect(m_worker, &ListeningWorker::failed, this, &SphinxSpeechInput::onRecognizerFailure);
    connect(m_worker, &ListeningWorker::unpronounceableWords, this, [](const QStringList& words) {
        qCWarning(lcListening) << "no pronunciation for" << words
                               << "- phrases with these words cannot be recognized";
    });
    m_thread.start();

    // The audio goes from the capture's thread (the microphone's recording
    // thread) straight to the worker: a quiet room does not wake this thread.
    connect(
        m_capture, &AudioCapture::audio, this,
        [route = &m_route, worker = m_worker](const std::vector<std::int16_t>& samples) {
            const quint64 stream = route->load();
            if (!stream)
                return;
            QMetaObject::invokeMethod(
                worker, [worker, stream, samples] { worker->push(stream, samples); },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    connect(m_capture, &AudioCapture::failed, this, &SphinxSpeechInput::onCaptureFailure);
    connect(m_capture, &AudioCapture::availabilityChanged, this, [this] {
        // A device came or went: a capture failure may be over, try afresh next time.
        if (!m_capture->isActive())
            m_captureFailure.clear();
        if (m_session && !m_capture->isAvailable())
            stopListening();
        followAlwaysListening();
        emit availabilityChanged();
    });
}

SphinxSpeechInput::~SphinxSpeechInput() {
    m_session = false;
    m_stream = 0;
    m_route = 0;
    m_capture->stop(); // no audio is emitted after this
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

bool SphinxSpeechInput::isAvailable() const {
    return unavailableReason().isEmpty();
}

QString SphinxSpeechInput::unavailableReason() const {
    if (!m_modelProblem.isEmpty())
        return m_modelProblem;
    if (!m_recognizerFailure.isEmpty())
        return m_recognizerFailure;
    if (!m_captureFailure.isEmpty())
        return m_captureFailure;
    return m_capture->unavailableReason();
}

void SphinxSpeechInput::setCommands(const QList<VoiceCommand>& commands) {
    m_commands = commands;
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, commands] { worker->setCommands(commands); },
        Qt::QueuedConnection);
}

void SphinxSpeechInput::setMicrophone(const QByteArray& id, const QString& name) {
    m_capture->setDevice(id, name);
}

void SphinxSpeechInput::setCharacterName(const QString& name) {
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, name] { worker->setCharacterName(name); },
        Qt::QueuedConnection);
}

void SphinxSpeechInput::setCharacterSpeaking(bool speaking) {
    m_speakers = std::max(0, m_speakers + (speaking ? 1 : -1));
    qCDebug(lcListening) << "characters speaking:" << m_speakers;
    if (speaking && m_speakers == 1 && m_stream) {
        // A fresh stream: the utterance in progress and any result still on its
        // way are dropped.
        switchStream(++m_lastStream);
        updateWorkerMode();
    } else if (!speaking && m_speakers == 0) {
        routeAudio();
    }
}

bool SphinxSpeechInput::openStream() {
    if (m_stream)
        return true;
    // A capture that cannot start reports failed(), which records the reason.
    if (!m_capture->start())
        return false;
    switchStream(++m_lastStream);
    qCDebug(lcListening) << "recording opened for stream" << m_stream;
    updateWorkerMode();
    return true;
}

void SphinxSpeechInput::closeStream() {
    if (!m_stream)
        return;
    qCDebug(lcListening) << "recording closed for stream" << m_stream;
    switchStream(0);
    m_capture->stop();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->stop(); }, Qt::QueuedConnection);
}

void SphinxSpeechInput::switchStream(quint64 stream) {
    m_stream = stream;
    m_route = 0; // until the worker has been told of the new stream
    m_workerHearing = false;
    askPieceDuration();
}

void SphinxSpeechInput::askPieceDuration() {
    m_capture->setPieceDuration(m_workerHearing ? kHearingPieceMs
                                : m_session     ? kSessionQuietPieceMs
                                                : kQuietPieceMs);
}

void SphinxSpeechInput::updateWorkerMode() {
    if (!m_stream)
        return;
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, stream = m_stream, nameRequired = !m_session] {
            worker->listen(stream, nameRequired);
        },
        Qt::QueuedConnection);
    routeAudio(); // after listen(): the worker drops audio of streams it does not know
}

void SphinxSpeechInput::routeAudio() {
    m_route = m_speakers > 0 ? 0 : m_stream;
}

void SphinxSpeechInput::followAlwaysListening() {
    if (m_session)
        return; // the session decides; always listening takes over when it closes
    if (m_alwaysListening && isAvailable())
        openStream();
    else if (!m_alwaysListening || !m_capture->isAvailable())
        closeStream();
}

void SphinxSpeechInput::setAlwaysListening(bool on) {
    if (on == m_alwaysListening)
        return;
    m_alwaysListening = on;
    followAlwaysListening();
    emit alwaysListeningChanged(on);
}

void SphinxSpeechInput::startListening() {
    if (!isAvailable())
        return;
    if (m_session) {
        if (m_quiet.isActive())
            m_quiet.start();
        return;
    }
    if (!openStream())
        return;
    m_session = true;
    askPieceDuration();
    qCDebug(lcListening) << "session opened on stream" << m_stream;
    updateWorkerMode(); // its answer starts the quiet time
    emit listeningStarted();
}

void SphinxSpeechInput::stopListening() {
    if (!m_session)
        return;
    m_session = false;
    askPieceDuration();
    qCDebug(lcListening) << "session closed on stream" << m_stream;
    m_quiet.stop();
    if (m_alwaysListening && isAvailable())
        updateWorkerMode(); // the same stream goes on, for phrases led by the name
    else
        closeStream();
    emit listeningStopped();
}

void SphinxSpeechInput::onHearingStarted(quint64 stream) {
    if (stream != m_stream || !m_session)
        return;
    m_quiet.stop();
    emit hearingStarted();
}

void SphinxSpeechInput::onHeard(quint64 stream, const QString& commandName, const QString& text) {
    if (stream != m_stream)
        return;
    if (m_session)
        m_quiet.start();
    emit heard(commandName, text);
}

void SphinxSpeechInput::onCaptureFailure(const QString& reason) {
    const bool changed = m_captureFailure != reason;
    m_captureFailure = reason;
    qCWarning(lcListening) << reason;
    stopListening();
    closeStream();
    if (changed)
        emit availabilityChanged();
}

void SphinxSpeechInput::onRecognizerFailure(const QString& reason) {
    const bool changed = m_recognizerFailure != reason;
    m_recognizerFailure = reason;
    qCWarning(lcListening) << reason;
    stopListening();
    closeStream();
    if (changed)
        emit availabilityChanged();
}

} // namespace tk::agent::listening
