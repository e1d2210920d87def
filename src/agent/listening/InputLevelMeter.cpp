#include "agent/listening/InputLevelMeter.h"

#include "agent/listening/AudioFormatConverter.h"
#include "agent/listening/AudioInputs.h"

#include <QAudioSource>
#include <cmath>

namespace tk::agent::listening {

namespace {
constexpr double kFloorDb = -60.0;
constexpr int kChunkUs = 40000;
} // namespace

InputLevelMeter::InputLevelMeter(QObject* parent) : QObject(parent) {}

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
    const QAudioDevice device = SystemAudioInputs::device(deviceId);
    if (device.isNull())
        return false;
    QAudioFormat format = AudioFormatConverter::targetFormat();
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (!AudioFormatConverter::canConvert(format))
        return false;
    m_converter = std::make_unique<AudioFormatConverter>(format);
    m_source = new QAudioSource(device, format, this);
    m_source->setBufferSize(format.bytesForDuration(kChunkUs));
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        stop();
        return false;
    }
    connect(m_input, &QIODevice::readyRead, this, &InputLevelMeter::readAvailable);
    return true;
}

void InputLevelMeter::stop() {
    if (!m_source)
        return;
    QAudioSource* source = m_source;
    m_source = nullptr;
    m_input = nullptr;
    source->disconnect(this);
    source->stop();
    source->deleteLater();
    m_converter.reset();
    emit level(0.0);
}

void InputLevelMeter::readAvailable() {
    if (!m_input || !m_converter)
        return;
    const std::vector<std::int16_t> samples = m_converter->convert(m_input->readAll());
    if (!samples.empty())
        emit level(levelOf(samples));
}

} // namespace tk::agent::listening
