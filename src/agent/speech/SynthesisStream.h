#pragma once

#include "agent/speech/SpeechCue.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace tk::agent::speech {

// The audio and cues of one speech, passed from the engine thread that
// synthesizes it to the consumer that plays it. All methods are thread-safe.
// The producer is held back while it is more than a set amount of audio ahead
// of what the consumer reports as played, so a very long text never piles up
// its whole audio in memory.
class SynthesisStream {
public:
    // maxSamplesAhead: how far synthesis may run ahead of playback; 0 for no limit.
    explicit SynthesisStream(qint64 maxSamplesAhead = 0);
    SynthesisStream(const SynthesisStream&) = delete;
    SynthesisStream& operator=(const SynthesisStream&) = delete;

    // What the consumer has not taken yet.
    struct Portion {
        QByteArray pcm; // 16-bit signed mono samples, native byte order
        std::vector<SpeechCue> cues;
        int sampleRate = 0; // 0 until the engine has said
        bool finished = false;
        QString error; // why synthesis failed, when it did
    };

    // Consumer: wakeUp is called on the engine thread when new audio or the end
    // arrives, at most once after each take() that asked for it. Pass an empty
    // function before going away.
    void setWakeUp(std::function<void()> wakeUp);
    // Consumer: takes everything produced since the last call. With
    // wakeOnMore false, only the end of synthesis calls wakeUp again (for a
    // consumer that has enough audio in hand and polls anyway).
    Portion take(bool wakeOnMore = true);
    // Consumer: this much audio has been played, so synthesis may go on.
    void reportPlayed(qint64 samples);
    // Consumer: stops synthesis of this speech as soon as possible.
    void cancel();
    // Consumer: blocks until synthesis has finished or was cancelled.
    void waitFinished();

    // Producer: whether the consumer has cancelled.
    bool isCancelled() const;
    // Producer: the sample rate of the audio that follows.
    void setSampleRate(int sampleRate);
    // Producer: appends audio and the cues inside it; blocks while too far
    // ahead of playback. Returns false when the speech was cancelled.
    bool append(const short* samples, int count, std::vector<SpeechCue>&& cues);
    // Producer: synthesis ended, with an error text if it failed.
    void finish(const QString& error = {});

private:
    void wakeUpLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    const qint64 m_maxAhead;
    Portion m_pending;
    qint64 m_produced = 0;
    qint64 m_played = 0;
    bool m_cancelled = false;
    bool m_done = false;
    bool m_wakePending = false;
    bool m_wakeOnMore = true;
    std::function<void()> m_wakeUp;
};

} // namespace tk::agent::speech
