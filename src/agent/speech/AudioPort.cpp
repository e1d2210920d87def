#include "agent/speech/AudioPort.h"

#include "platform/sound/SoundOutput.h"
#include "platform/sound/SoundServer.h"

namespace tk::agent::speech {

namespace {

// How long an output may play nothing while audio waits, before it counts as
// gone. It covers opening the connection too.
constexpr qint64 kStallMs = 3000;

} // namespace

DeviceAudioPort::DeviceAudioPort(std::unique_ptr<SoundOutput> output)
    : m_output(std::move(output)) {
    m_sinceProgress.start();
}

DeviceAudioPort::~DeviceAudioPort() = default;

qint64 DeviceAudioPort::write(const char* data, qint64 bytes) {
    return m_output->write(data, bytes);
}

void DeviceAudioPort::finish() {
    m_output->finish();
}

bool DeviceAudioPort::failed() const {
    if (m_output->failed())
        return true;
    const qint64 heard = m_output->heardFrames();
    if (heard != m_lastHeard || heard >= m_output->writtenFrames()) {
        m_lastHeard = heard;
        m_sinceProgress.restart();
        return false;
    }
    return m_sinceProgress.elapsed() > kStallMs;
}

bool DeviceAudioPort::serverGone() const {
    return m_output->serverGone();
}

qint64 DeviceAudioPort::heardFrames() const {
    return m_output->heardFrames();
}

AudioPortChooser::AudioPortChooser(bool useDevices, QObject* parent, SoundServer* server,
                                   int deviceRetryMs)
    : QObject(parent), m_useDevices(useDevices), m_retryMs(deviceRetryMs),
      m_server(server ? server : &SoundServer::system()) {
    // A server that comes back makes its output worth trying again at once.
    connect(m_server, &SoundServer::becameReady, this, [this] { m_unusable = false; });
}

bool AudioPortChooser::deviceUsable() const {
    // Asks the server the first time; after that the gate only says what it knows.
    if (!m_useDevices || !m_server->ready())
        return false;
    return !m_unusable || m_sinceFailure.elapsed() >= m_retryMs;
}

std::unique_ptr<AudioPort> AudioPortChooser::open(int sampleRate) {
    if (deviceUsable()) {
        if (std::unique_ptr<SoundOutput> output = SoundOutput::open(sampleRate)) {
            m_unusable = false;
            return std::make_unique<DeviceAudioPort>(std::move(output));
        }
        m_unusable = true;
        m_sinceFailure.start();
    }
    return std::make_unique<SilentAudioPort>();
}

void AudioPortChooser::deviceFailed() {
    m_unusable = true;
    m_sinceFailure.start();
    m_server->lost();
}

} // namespace tk::agent::speech
