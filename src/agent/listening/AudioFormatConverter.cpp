#include "agent/listening/AudioFormatConverter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tk::agent::listening {

namespace {

// One sample as -1..1. (Qt's own conversion puts 8-bit silence, 128, slightly
// above zero.)
float sampleValue(QAudioFormat::SampleFormat format, const char* at) {
    switch (format) {
    case QAudioFormat::UInt8:
        return (float(static_cast<unsigned char>(*at)) - 128.0f) / 128.0f;
    case QAudioFormat::Int16: {
        std::int16_t value;
        std::memcpy(&value, at, sizeof value);
        return float(value) / 32768.0f;
    }
    case QAudioFormat::Int32: {
        std::int32_t value;
        std::memcpy(&value, at, sizeof value);
        return float(double(value) / 2147483648.0);
    }
    case QAudioFormat::Float: {
        float value;
        std::memcpy(&value, at, sizeof value);
        return std::isfinite(value) ? value : 0.0f;
    }
    default:
        return 0.0f;
    }
}

} // namespace

AudioFormatConverter::AudioFormatConverter(const QAudioFormat& input)
    : m_format(input), m_resampler(std::max(input.sampleRate(), 1), kTargetRate) {}

QAudioFormat AudioFormatConverter::targetFormat() {
    QAudioFormat format;
    format.setSampleRate(kTargetRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

bool AudioFormatConverter::canConvert(const QAudioFormat& input) {
    return input.isValid() && input.sampleRate() > 0 && input.channelCount() > 0 &&
           input.sampleFormat() != QAudioFormat::Unknown;
}

std::vector<std::int16_t> AudioFormatConverter::convert(const QByteArray& input) {
    std::vector<std::int16_t> out;
    if (!canConvert(m_format))
        return out;
    if (m_format == targetFormat()) {
        // Already the recognizer's format: copy whole samples, keep an odd byte.
        const QByteArray data = m_partialFrame + input;
        out.resize(std::size_t(data.size() / 2));
        std::memcpy(out.data(), data.constData(), out.size() * 2);
        m_partialFrame = data.mid(qsizetype(out.size() * 2));
        return out;
    }
    const int channels = m_format.channelCount();
    const int bytesPerSample = m_format.bytesPerSample();
    const int frameBytes = bytesPerSample * channels;
    QByteArray data = m_partialFrame + input;
    const qsizetype frames = data.size() / frameBytes;
    m_partialFrame = data.mid(frames * frameBytes);

    m_mono.resize(std::size_t(frames));
    const char* at = data.constData();
    for (qsizetype frame = 0; frame < frames; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < channels; ++channel, at += bytesPerSample)
            sum += sampleValue(m_format.sampleFormat(), at);
        m_mono[std::size_t(frame)] = sum / float(channels);
    }
    m_resampled.clear();
    m_resampler.process(m_mono, m_resampled);
    out.reserve(m_resampled.size());
    for (const float value : m_resampled)
        out.push_back(std::int16_t(std::clamp(std::lround(value * 32768.0f), -32768L, 32767L)));
    return out;
}

} // namespace tk::agent::listening
