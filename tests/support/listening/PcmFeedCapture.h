#pragma once

#include "agent/listening/AudioCapture.h"

#include <QElapsedTimer>
#include <QTimer>
#include <deque>

namespace tk::agent::listening {

// Prepared 16 kHz mono audio delivered like a microphone would: while active, the
// queued samples go out either at the pace of real time, in 40 ms pieces as the
// program's microphone capture hands them over, or in large batches as fast as
// the event loop runs. Audio fed before start() waits for
// it; stop() drops whatever has not gone out. For tests, tools and the benchmark.
class PcmFeedCapture final : public AudioCapture {
    Q_OBJECT
public:
    enum class Pace { RealTime, Immediate };

    explicit PcmFeedCapture(Pace pace = Pace::Immediate, QObject* parent = nullptr);

    // Queues samples behind what is still waiting.
    void feed(const std::vector<std::int16_t>& samples);
    qsizetype queuedSamples() const { return qsizetype(m_queue.size()); }
    // Makes the source present or absent (absent: reason given to the user).
    void setAvailable(bool available, const QString& reason = {});
    // The next start() fails with reason, as a device that vanished would.
    void failNextStart(const QString& reason) { m_startFailure = reason; }
    // How many samples have gone out since the feed started.
    qint64 deliveredSamples() const { return m_delivered; }

    bool isAvailable() const override { return m_available; }
    QString unavailableReason() const override { return m_available ? QString() : m_reason; }
    bool start() override;
    void stop() override;
    bool isActive() const override { return m_active; }
    // Recorded only: the feed keeps its own pace.
    void setPieceDuration(int milliseconds) override { m_askedPieceMs = milliseconds; }
    // The piece length the listener asked for last (0: none asked).
    int askedPieceDuration() const { return m_askedPieceMs; }

signals:
    // Everything queued has gone out.
    void drained();

private:
    void deliver();

    Pace m_pace;
    bool m_available = true;
    QString m_reason;
    QString m_startFailure;
    bool m_active = false;
    std::deque<std::int16_t> m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_paced = 0; // samples delivered since the clock started
    qint64 m_delivered = 0;
    int m_askedPieceMs = 0;
};

} // namespace tk::agent::listening
