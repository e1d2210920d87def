#pragma once

#include "agent/api/SpeechOutput.h"
#include "agent/speech/AudioPort.h"
#include "agent/speech/PlaybackClock.h"
#include "agent/speech/SynthesisStream.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>

namespace tk::agent::speech {

class AudioPortChooser;

// Plays one synthesized speech on the thread that owns it: hands the audio to
// its port as it streams in, a little ahead of the clock, and emits each word
// and mouth shape when the audio clock reaches it. Nothing here waits.
class SpeechPlayback : public QObject {
    Q_OBJECT
public:
    // Starts playing stream through a port from chooser. expectedSampleRate
    // (0 if not known yet) lets the port open before the first audio arrives.
    SpeechPlayback(std::shared_ptr<SynthesisStream> stream, AudioPortChooser& chooser,
                   int expectedSampleRate, QObject* parent = nullptr);
    ~SpeechPlayback() override;
    SpeechPlayback(const SpeechPlayback&) = delete;
    SpeechPlayback& operator=(const SpeechPlayback&) = delete;

    // Stops at once: the audio ends, synthesis is cancelled, no signal follows.
    void halt();
    // Milliseconds of the speech heard so far.
    qint64 heardMs() const;
    // Where in the audio the word last reported lies, in milliseconds.
    qint64 lastWordMs() const;
    // Whether the audio goes to a sound device (rather than silently).
    bool audible() const;

signals:
    void audioStarted();
    void wordStarted(int position, int length);
    void mouthChanged(tk::agent::MouthShape shape);
    void finished();

private:
    void advance();
    void openPort(int sampleRate);
    void feed(qint64 nowUs);
    qint64 heardSamples(qint64 nowUs) const;
    bool emitDueCues(qint64 heard); // false when halted by a receiver
    // Shows shape unless already shown; false when halted by a receiver.
    bool showMouth(std::optional<MouthShape> shape);
    void scheduleNext(qint64 nowUs);

    std::shared_ptr<SynthesisStream> m_stream;
    AudioPortChooser& m_chooser;
    std::unique_ptr<AudioPort> m_port;
    std::optional<PlaybackClock> m_clock;
    QElapsedTimer m_time;
    QTimer m_timer;
    QByteArray m_pending; // audio taken from the stream, not yet handed over
    qsizetype m_pendingOffset = 0;
    std::deque<SpeechCue> m_cues;
    bool m_synthesisDone = false;
    bool m_started = false;
    bool m_halted = false;
    bool m_portFinished = false; // the port was told no more audio comes
    bool m_mouthKnown = false;
    mutable qint64 m_heard = 0; // samples heard so far; never goes back
    qint64 m_lastWordSample = 0;
    MouthShape m_mouth = MouthShape::Closed;
};

} // namespace tk::agent::speech
