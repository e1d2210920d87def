#include "agent/speech/AudioPort.h"

#include "platform/sound/SoundServer.h"

#include <QAudioSink>

namespace tk::agent::speech {

namespace {

// The buffer asked of the sound server: short, so what is heard keeps close to
// what is handed over.
constexpr qint64 kSinkBufferUs = 100000;
// Rounding between bytes and microseconds in the device's reports.
constexpr qint64 kToleranceUs = 1000;
// How long a device may take no audio while some is waiting, before it counts
// as gone.
constexpr qint64 kStallMs = 2000;

} // namespace

DeviceAudioPort::DeviceAudioPort(const QAudioDevice& device, const QAudioFormat& format)
    : m_sink(std::make_unique<QAudioSink>(device, format)) {
    m_sink->setBufferSize(format.bytesForDuration(kSinkBufferUs));
    m_io = m_sink->start();
    if (m_io && m_sink->error() != QAudio::NoError)
        m_io = nullptr;
    m_sinceProgress.start();
}

DeviceAudioPort::~DeviceAudioPort() {
    // Stopping silences it at once; the sink object itself goes on the next
    // turn of the event loop, since its destructor may process events and a
    // port can end in the middle of a signal.
    m_sink->stop();
    m_sink.release()->deleteLater();
}

qint64 DeviceAudioPort::write(const char* data, qint64 bytes) {
    if (!m_io)
        return 0;
    const qint64 taken = m_io->write(data, bytes);
    if (taken <= 0)
        return 0;
    m_writtenBytes += taken;
    return taken;
}

bool DeviceAudioPort::failed() const {
    if (!m_io)
        return true;
    const QAudio::Error error = m_sink->error();
    if (error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError)
        return true;
    if (m_sink->state() == QAudio::StoppedState)
        return true;
    // A device that stopped playing while audio waits has gone away.
    const qint64 processed = m_sink->processedUSecs();
    const qint64 writtenUs = m_sink->format().durationForBytes(m_writtenBytes);
    if (processed != m_lastProcessedUs || processed + kToleranceUs >= writtenUs) {
        m_lastProcessedUs = processed;
        m_sinceProgress.restart();
        return false;
    }
    return m_sinceProgress.elapsed() > kStallMs;
}

qint64 DeviceAudioPort::heardFrames() const {
    if (!m_io)
        return -1;
    // Rounding can leave the device's count a hair short of the end.
    const QAudioFormat format = m_sink->format();
    const qint64 processed = m_sink->processedUSecs();
    if (processed + kToleranceUs >= format.durationForBytes(m_writtenBytes))
        return format.framesForBytes(m_writtenBytes);
    return format.framesForDuration(processed);
}

AudioPortChooser::AudioPortChooser(bool useDevices, QObject* parent, SoundServer* server)
    : QObject(parent), m_server(server ? server : &SoundServer::system()) {
    // The outputs of a restarted server are listed as before, so the list does
    // not change: its return is what makes the device worth trying again.
    connect(m_server, &SoundServer::becameReady, this, [this] { m_unusable = false; });
    if (!useDevices)
        return;
    m_server->whenReady(this, [this] { followDevices(); });
}

void AudioPortChooser::followDevices() {
    if (m_devices)
        return;
    m_devices = new QMediaDevices(this);
    m_unusable = false;
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this, [this] { m_unusable = false; });
}

std::unique_ptr<AudioPort> AudioPortChooser::open(const QAudioFormat& format) {
    if (deviceUsable()) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            m_unusable = true;
        } else {
            auto port = std::make_unique<DeviceAudioPort>(device, format);
            if (port->isOpen())
                return port;
            m_unusable = true;
        }
    }
    return std::make_unique<SilentAudioPort>();
}

void AudioPortChooser::deviceFailed() {
    m_unusable = true;
    m_server->lost();
}

} // namespace tk::agent::speech
