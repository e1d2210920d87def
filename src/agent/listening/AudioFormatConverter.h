#pragma once

#include "agent/listening/Resampler.h"

#include <QAudioFormat>
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace tk::agent::listening {

// Turns audio in any format Qt Multimedia delivers (8-bit unsigned, 16- or 32-bit
// integer or float samples, any channel count and rate) into the recognizer's
// format: 16 kHz mono 16-bit. Channels are averaged. Keeps partial frames and the
// resampler's state between calls, so it takes a stream in chunks of any size.
class AudioFormatConverter {
public:
    static constexpr int kTargetRate = 16000;

    explicit AudioFormatConverter(const QAudioFormat& input);

    // The recognizer's format as a QAudioFormat.
    static QAudioFormat targetFormat();
    // Whether input is a format this converter understands.
    static bool canConvert(const QAudioFormat& input);

    std::vector<std::int16_t> convert(const QByteArray& input);

private:
    QAudioFormat m_format;
    Resampler m_resampler;
    QByteArray m_partialFrame;
    std::vector<float> m_mono;
    std::vector<float> m_resampled;
};

} // namespace tk::agent::listening
