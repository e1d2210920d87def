#include "agent/speech/PlaybackClock.h"

#include <algorithm>

namespace tk::agent::speech {

PlaybackClock::PlaybackClock(int sampleRate) : m_rate(std::max(sampleRate, 1)) {}

void PlaybackClock::wrote(qint64 samples, qint64 nowUs) {
    m_base = position(nowUs);
    m_baseTime = nowUs;
    m_written += std::max<qint64>(samples, 0);
}

qint64 PlaybackClock::position(qint64 nowUs) const {
    const qint64 elapsed = std::max<qint64>(nowUs - m_baseTime, 0);
    return std::min(m_written, m_base + elapsed * m_rate / 1000000);
}

} // namespace tk::agent::speech
