#include "agent/listening/MicrophoneCapture.h"

#include "agent/listening/AudioInputs.h"
#include "agent/listening/ListeningLog.h"
#include "platform/sound/SoundServer.h"

#include <algorithm>
#include <utility>

namespace tk::agent::listening {

namespace {

const char* const kNoMicrophone = "No microphone was found, so Tovrin cannot listen.";
const char* const kNoSoundSystem =
    "The sound system is not running, so Tovrin cannot listen. It listens once the sound "
    "system starts.";

bool hasInput(const QList<InputDevice>& inputs, const QByteArray& id) {
    return std::any_of(inputs.begin(), inputs.end(),
                       [&](const InputDevice& input) { return input.id == id; });
}

} // namespace

MicrophoneCapture::MicrophoneCapture(AudioInputs* inputs, QObject* parent, SoundServer* server)
    : AudioCapture(parent), m_inputs(inputs ? inputs : new SystemAudioInputs(nullptr, server)),
      m_recorder(nullptr, SoundRecorder::Delivery::RecordingThread),
      m_server(server ? server : &SoundServer::system()) {
    m_inputs->setParent(this);
    connect(m_inputs, &AudioInputs::changed, this, &MicrophoneCapture::inputsChanged);
    // Straight on, on the recording thread.
    connect(
        &m_recorder, &SoundRecorder::audio, this,
        [this](const std::vector<std::int16_t>& samples) {
            if (!m_audioArrived.exchange(true))
                qCDebug(lcListening) << "first audio of this recording";
            emit audio(samples);
        },
        Qt::DirectConnection);
    connect(&m_recorder, &SoundRecorder::failed, this,
            [this](const QString& reason, bool serverGone) {
                qCWarning(lcListening) << "recording from" << m_activeName << "ended:" << reason;
                if (serverGone) {
                    m_waitingForServer = true;
                    m_server->lost();
                }
                fail(QStringLiteral("The microphone stopped working."));
            });
    // Only a capture that lost the server says when it is back; the inputs say
    // so again once they are listed.
    connect(m_server, &SoundServer::becameReady, this, [this] {
        if (!std::exchange(m_waitingForServer, false))
            return;
        emit availabilityChanged();
    });
}

MicrophoneCapture::~MicrophoneCapture() {
    stop();
}

void MicrophoneCapture::setDevice(const QByteArray& id, const QString& name) {
    if (id == m_chosenId) {
        m_chosenName = name;
        return;
    }
    const bool wasActive = isActive();
    m_chosenId = id;
    m_chosenName = name;
    // A capture under way moves to the new device at once.
    if (wasActive) {
        stop();
        if (isAvailable())
            start();
        else
            emit failed(unavailableReason());
    }
    emit availabilityChanged();
}

bool MicrophoneCapture::isAvailable() const {
    const QList<InputDevice> inputs = m_inputs->inputs();
    return m_chosenId.isEmpty() ? !inputs.isEmpty() : hasInput(inputs, m_chosenId);
}

QString MicrophoneCapture::unavailableReason() const {
    if (isAvailable())
        return {};
    if (!m_inputs->soundSystemReady())
        return QString::fromLatin1(kNoSoundSystem);
    if (!m_chosenId.isEmpty())
        return QStringLiteral("The microphone \"%1\" is not connected, so Tovrin cannot listen.")
            .arg(m_chosenName.isEmpty() ? QString::fromUtf8(m_chosenId) : m_chosenName);
    return QString::fromLatin1(kNoMicrophone);
}

void MicrophoneCapture::inputsChanged() {
    if (isActive() && !hasInput(m_inputs->inputs(), m_activeId)) {
        // The device in use went away: say so, once, by the capture's failure.
        const QString name = m_activeName;
        stop();
        emit failed(QStringLiteral("The microphone \"%1\" was disconnected.").arg(name));
    }
    emit availabilityChanged();
}

bool MicrophoneCapture::start() {
    if (isActive())
        return true;
    if (!isAvailable()) {
        fail(unavailableReason());
        return false;
    }
    // The input is named to the server, also for the default: the one listed as
    // the default now. The server's own default may still be an input that is
    // not listed (a monitor of an output), which would hear no one.
    const std::optional<InputDevice> device = m_inputs->find(m_chosenId);
    if (!device) {
        fail(QString::fromLatin1(kNoMicrophone));
        return false;
    }
    QString error;
    if (!m_recorder.start(device->id, &error)) {
        qCWarning(lcListening) << "recording from" << device->name << "failed:" << error;
        fail(QStringLiteral("The microphone \"%1\" could not be opened.").arg(device->name));
        return false;
    }
    m_activeId = device->id;
    m_activeName = device->name;
    m_audioArrived = false;
    qCDebug(lcListening) << "recording from" << m_activeName;
    return true;
}

void MicrophoneCapture::stop() {
    m_activeId.clear();
    m_recorder.stop();
}

void MicrophoneCapture::fail(const QString& reason) {
    stop();
    emit failed(reason);
}

} // namespace tk::agent::listening
