#include "agent/listening/MicrophoneCapture.h"

#include "agent/listening/AudioInputs.h"

#include <QAudioDevice>
#include <QAudioSource>

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

MicrophoneCapture::MicrophoneCapture(AudioInputs* inputs, QObject* parent)
    : AudioCapture(parent), m_inputs(inputs ? inputs : new SystemAudioInputs) {
    m_inputs->setParent(this);
    connect(m_inputs, &AudioInputs::changed, this, &MicrophoneCapture::inputsChanged);
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
    if (m_source)
        return true;
    // Asks Qt Multimedia nothing until the inputs say there is something to open.
    if (!isAvailable()) {
        fail(unavailableReason());
        return false;
    }
    const QAudioDevice device = SystemAudioInputs::device(m_chosenId);
    if (device.isNull()) {
        fail(isAvailable() ? QString::fromLatin1(kNoMicrophone) : unavailableReason());
        return false;
    }
    QAudioFormat format = AudioFormatConverter::targetFormat();
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (!AudioFormatConverter::canConvert(format)) {
        fail(QStringLiteral("The microphone \"%1\" offers no sound format Tovrin understands.")
                 .arg(device.description()));
        return false;
    }
    m_converter = std::make_unique<AudioFormatConverter>(format);
    m_source = new QAudioSource(device, format, this);
    m_activeId = device.id();
    m_activeName = device.description();
    // The device hands over audio in pieces of about this size: small enough to
    // add little to the delay between the end of speech and its command, large
    // enough not to wake the thread for every few samples.
    m_source->setBufferSize(format.bytesForDuration(40000));
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (m_source && state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
            fail(QStringLiteral("The microphone stopped working."));
    });
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        fail(
            QStringLiteral("The microphone \"%1\" could not be opened.").arg(device.description()));
        return false;
    }
    connect(m_input, &QIODevice::readyRead, this, &MicrophoneCapture::readAvailable);
    return true;
}

void MicrophoneCapture::stop() {
    if (!m_source)
        return;
    QAudioSource* source = m_source;
    m_source = nullptr;
    m_input = nullptr;
    m_activeId.clear();
    source->disconnect(this);
    source->stop();
    source->deleteLater();
    m_converter.reset();
}

void MicrophoneCapture::readAvailable() {
    if (!m_input || !m_converter)
        return;
    const QByteArray data = m_input->readAll();
    if (data.isEmpty())
        return;
    std::vector<std::int16_t> samples = m_converter->convert(data);
    if (!samples.empty())
        emit audio(samples);
}

void MicrophoneCapture::fail(const QString& reason) {
    stop();
    emit failed(reason);
}

} // namespace tk::agent::listening
