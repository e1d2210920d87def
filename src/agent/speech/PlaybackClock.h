#pragma once

#include <QtGlobal>

namespace tk::agent::speech {

// The clock of audio that plays at its natural rate from the moment it is
// handed over: the position advances with time but never past what has been
// written, and after running dry it resumes from the next write, as a sound
// device does after an underrun. Times are in microseconds on any steady clock.
class PlaybackClock {
public:
    explicit PlaybackClock(int sampleRate);

    // Records that samples more were handed over at time nowUs.
    void wrote(qint64 samples, qint64 nowUs);
    // Samples played by time nowUs.
    qint64 position(qint64 nowUs) const;
    // Samples handed over so far.
    qint64 written() const { return m_written; }
    int sampleRate() const { return m_rate; }

private:
    int m_rate;
    qint64 m_written = 0;
    qint64 m_base = 0;     // position at m_baseTime
    qint64 m_baseTime = 0; // time of the last write
};

} // namespace tk::agent::speech
