#include "agent/speech/PlaybackClock.h"

#include <algorithm>

namespace tk::agent::speech {

PlaybackClock::PlaybackClock(int sampleRate, qint64 latencyUs)
    : m_rate(std::max(sampleRate, 1)), m_latencyUs(std::max<qint64>(latencyUs, 0)) {}

void PlaybackClock::wrote(qint64 samples, qint64 nowUs) {
    m_base = played(nowUs);
    m_baseTime = nowUs;
    m_written += std::max<qint64>(samples, 0);
}

qint64 PlaybackClock::positionAt(qint64 timeUs) const {
    return m_base + (timeUs - m_baseTime) * m_rate / 1000000;
}

qint64 PlaybackClock::played(qint64 nowUs) const {
    return std::clamp(positionAt(nowUs), m_base, m_written);
}

qint64 PlaybackClock::heard(qint64 nowUs) const {
    const qint64 now = std::clamp(positionAt(nowUs - m_latencyUs), qint64(0), m_written);
    m_heard = std::max(m_heard, now);
    return m_heard;
}

qint64 PlaybackClock::microsecondsUntilHeard(qint64 sample, qint64 nowUs) const {
    const qint64 ahead = sample - positionAt(nowUs - m_latencyUs);
    return ahead <= 0 ? 0 : (ahead * 1000000 + m_rate - 1) / m_rate;
}

} // namespace tk::agent::speech
