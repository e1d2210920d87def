#pragma once

#include <QtGlobal>

namespace tk::agent::speech {

// The clock of audio that plays at its natural rate from the moment it is
// handed over: the played position advances with time but never past what has
// been written, and after running dry it resumes from the next write, as a sound
// device does after an underrun. What is heard trails the played position by
// the output's latency. Times are in microseconds on any steady clock.
class PlaybackClock {
public:
    PlaybackClock(int sampleRate, qint64 latencyUs);

    // Records that samples more were handed over at time nowUs.
    void wrote(qint64 samples, qint64 nowUs);
    // The delay from handing audio over to hearing it.
    void setLatency(qint64 latencyUs) { m_latencyUs = latencyUs; }
    // Samples the output has played by time nowUs.
    qint64 played(qint64 nowUs) const;
    // Samples heard by time nowUs; never goes back.
    qint64 heard(qint64 nowUs) const;
    // Samples handed over so far.
    qint64 written() const { return m_written; }
    // Time from nowUs until sample will have been heard, if nothing runs dry.
    qint64 microsecondsUntilHeard(qint64 sample, qint64 nowUs) const;
    int sampleRate() const { return m_rate; }

private:
    qint64 positionAt(qint64 timeUs) const;

    int m_rate;
    qint64 m_latencyUs;
    qint64 m_written = 0;
    qint64 m_base = 0;     // played position at m_baseTime
    qint64 m_baseTime = 0; // time of the last write
    mutable qint64 m_heard = 0;
};

} // namespace tk::agent::speech
