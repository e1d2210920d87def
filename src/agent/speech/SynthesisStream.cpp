#include "agent/speech/SynthesisStream.h"

#include <utility>

namespace tk::agent::speech {

SynthesisStream::SynthesisStream(qint64 maxSamplesAhead) : m_maxAhead(maxSamplesAhead) {}

void SynthesisStream::setWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(m_mutex);
    m_wakeUp = std::move(wakeUp);
    m_wakePending = false;
    if (m_wakeUp && (!m_pending.pcm.isEmpty() || !m_pending.cues.empty() || m_done))
        wakeUpLocked();
}

SynthesisStream::Portion SynthesisStream::take(bool wakeOnMore) {
    std::lock_guard lock(m_mutex);
    Portion out;
    out.pcm = std::exchange(m_pending.pcm, {});
    out.cues = std::exchange(m_pending.cues, {});
    out.sampleRate = m_pending.sampleRate;
    out.finished = m_done;
    out.error = m_pending.error;
    m_wakePending = false;
    m_wakeOnMore = wakeOnMore;
    return out;
}

void SynthesisStream::reportPlayed(qint64 samples) {
    std::lock_guard lock(m_mutex);
    if (samples > m_played) {
        m_played = samples;
        m_changed.notify_all();
    }
}

void SynthesisStream::cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_changed.notify_all();
}

void SynthesisStream::waitFinished() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done || m_cancelled; });
}

bool SynthesisStream::isCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void SynthesisStream::setSampleRate(int sampleRate) {
    std::lock_guard lock(m_mutex);
    m_pending.sampleRate = sampleRate;
}

bool SynthesisStream::append(const short* samples, int count, std::vector<SpeechCue>&& cues) {
    std::unique_lock lock(m_mutex);
    if (m_cancelled)
        return false;
    if (count > 0) {
        m_pending.pcm.append(reinterpret_cast<const char*>(samples),
                             static_cast<qsizetype>(count) * qsizetype(sizeof(short)));
        m_produced += count;
    }
    for (SpeechCue& cue : cues)
        m_pending.cues.push_back(std::move(cue));
    if (m_wakeOnMore)
        wakeUpLocked();
    if (m_maxAhead > 0 && count > 0)
        m_changed.wait(lock, [this] { return m_cancelled || m_produced - m_played <= m_maxAhead; });
    return !m_cancelled;
}

void SynthesisStream::finish(const QString& error) {
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_pending.error = error;
    m_changed.notify_all();
    wakeUpLocked();
}

void SynthesisStream::wakeUpLocked() {
    if (m_wakeUp && !m_wakePending) {
        m_wakePending = true;
        m_wakeUp();
    }
}

} // namespace tk::agent::speech
