#include "agent/listening/MicrophoneCapture.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

namespace tk::agent::listening {

namespace {

const char* const kNoMicrophone = "No microphone was found, so Tovrin cannot listen.";

} // namespace

MicrophoneCapture::MicrophoneCapture(QObject* parent)
    : AudioCapture(parent), m_devices(new QMediaDevices(this)) {
    connect(m_devices, &QMediaDevices::audioInputsChanged, this,
            &AudioCapture::availabilityChanged);
}

MicrophoneCapture::~MicrophoneCapture() {
    stop();
}

bool MicrophoneCapture::isAvailable() const {
    return !QMediaDevices::audioInputs().isEmpty();
}

QString MicrophoneCapture::unavailableReason() const {
    return isAvailable() ? QString() : QString::fromLatin1(kNoMicrophone);
}

bool MicrophoneCapture::start() {
    if (m_source)
        return true;
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        fail(QString::fromLatin1(kNoMicrophone));
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
