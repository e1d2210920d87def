#include "agent/listening/InputLevelMeter.h"

#include "agent/listening/AudioInputs.h"
#include "agent/listening/ListeningLog.h"
#include "platform/sound/SoundServer.h"

#include <algorithm>
#include <cmath>

namespace tk::agent::listening {

namespace {
constexpr double kFloorDb = -60.0;
constexpr int kPieceMs = 40; // 25 readings a second
} // namespace

InputLevelMeter::InputLevelMeter(const AudioInputs& inputs, QObject* parent, SoundServer* server)
    : QObject(parent), m_inputs(inputs), m_server(server ? server : &SoundServer::system()) {
    m_recorder.setPieceDuration(kPieceMs);
    connect(&m_recorder, &SoundRecorder::audio, this,
            [this](const std::vector<std::int16_t>& samples) { emit level(levelOf(samples)); });
    connect(&m_recorder, &SoundRecorder::failed, this,
            [this](const QString& reason, bool serverGone) {
                qCWarning(lcListening) << "the input level's recording ended:" << reason;
                if (!serverGone) {
                    m_measuring = false;
                    emit level(0.0);
                    return;
                }
                emit level(0.0);
                m_server->lost();
                // A server that is back already says nothing more: measure again now.
                if (m_server->ready())
                    resume();
            });
    // Back after the server went away: once it answers and lists the input again.
    connect(m_server, &SoundServer::becameReady, this, &InputLevelMeter::resume);
    connect(&m_inputs, &AudioInputs::changed, this, &InputLevelMeter::resume);
}

InputLevelMeter::~InputLevelMeter() {
    stop();
}

double InputLevelMeter::levelOf(const std::vector<std::int16_t>& samples) {
    if (samples.empty())
        return 0.0;
    double sum = 0.0;
    for (std::int16_t sample : samples)
        sum += double(sample) * double(sample);
    const double rms = std::sqrt(sum / double(samples.size())) / 32768.0;
    if (rms <= 0.0)
        return 0.0;
    const double db = 20.0 * std::log10(rms);
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

bool InputLevelMeter::start(const QByteArray& deviceId) {
    stop();
    m_deviceId = deviceId;
    m_measuring = open();
    return m_measuring;
}

bool InputLevelMeter::open() {
    // The input is named to the server, also for the default, as listening does.
    const std::optional<InputDevice> device = m_inputs.find(m_deviceId);
    if (!device)
        return false;
    QString error;
    if (!m_recorder.start(device->id, &error)) {
        qCWarning(lcListening) << "the input level of" << device->name
                               << "cannot be measured:" << error;
        return false;
    }
    return true;
}

void InputLevelMeter::resume() {
    if (m_measuring && !m_recorder.isActive())
        (void)open();
}

void InputLevelMeter::stop() {
    m_measuring = false;
    if (!m_recorder.isActive())
        return;
    m_recorder.stop();
    emit level(0.0);
}

} // namespace tk::agent::listening
