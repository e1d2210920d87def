#include "PcmFeedCapture.h"

namespace tk::agent::listening {

namespace {
constexpr int kStepSamples = 640; // 40 ms at 16 kHz, the microphone capture's buffer
constexpr int kImmediateBatch = 16000;
} // namespace

PcmFeedCapture::PcmFeedCapture(Pace pace, QObject* parent) : AudioCapture(parent), m_pace(pace) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(m_pace == Pace::RealTime ? 40 : 0);
    connect(&m_timer, &QTimer::timeout, this, &PcmFeedCapture::deliver);
}

void PcmFeedCapture::feed(const std::vector<std::int16_t>& samples) {
    m_queue.insert(m_queue.end(), samples.begin(), samples.end());
    if (m_active && !m_timer.isActive()) {
        m_clock.restart();
        m_paced = 0;
        m_timer.start();
    }
}

void PcmFeedCapture::setAvailable(bool available, const QString& reason) {
    const bool changed = available != m_available;
    m_available = available;
    m_reason = reason;
    if (changed)
        emit availabilityChanged();
}

bool PcmFeedCapture::start() {
    if (!m_available || !m_startFailure.isEmpty()) {
        const QString reason = m_available ? m_startFailure : m_reason;
        m_startFailure.clear();
        emit failed(reason);
        return false;
    }
    m_active = true;
    m_clock.restart();
    m_paced = 0;
    if (!m_queue.empty())
        m_timer.start();
    return true;
}

void PcmFeedCapture::stop() {
    // Like a microphone, nothing is kept from while it was stopped.
    m_active = false;
    m_timer.stop();
    m_queue.clear();
}

void PcmFeedCapture::deliver() {
    if (!m_active)
        return;
    qint64 due = kImmediateBatch;
    if (m_pace == Pace::RealTime) {
        const qint64 target = m_clock.nsecsElapsed() * 16 / 1000000;
        due = (target - m_paced) / kStepSamples * kStepSamples;
        if (due <= 0)
            return;
    }
    const qint64 count = std::min<qint64>(due, qint64(m_queue.size()));
    std::vector<std::int16_t> samples(m_queue.begin(), m_queue.begin() + count);
    m_queue.erase(m_queue.begin(), m_queue.begin() + count);
    m_paced += due;
    m_delivered += count;
    if (m_queue.empty())
        m_timer.stop();
    if (!samples.empty())
        emit audio(samples);
    if (m_queue.empty())
        emit drained();
}

} // namespace tk::agent::listening
