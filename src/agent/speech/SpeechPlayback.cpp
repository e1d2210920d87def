#include "agent/speech/SpeechPlayback.h"

#include <QMetaObject>
#include <algorithm>
#include <limits>

namespace tk::agent::speech {

namespace {

// How far ahead of the clock audio is handed to the port: enough to ride out a
// busy moment of the user-interface thread.
constexpr qint64 kLeadUs = 250000;
// The smallest amount handed over at once, but for the last of a speech.
constexpr qint64 kMinWriteUs = 20000;
// The longest wait between two steps while playing.
constexpr int kMaxStepMs = 20;

} // namespace

SpeechPlayback::SpeechPlayback(std::shared_ptr<SynthesisStream> stream, AudioPortChooser& chooser,
                               int expectedSampleRate, QObject* parent)
    : QObject(parent), m_stream(std::move(stream)), m_chooser(chooser) {
    m_time.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SpeechPlayback::advance);
    if (expectedSampleRate > 0)
        openPort(expectedSampleRate);
    // Runs on the engine thread, and only while this object is alive: the
    // destructor and halt() remove it first. The step runs on this object's thread.
    m_stream->setWakeUp([this] {
        QMetaObject::invokeMethod(this, &SpeechPlayback::advance, Qt::QueuedConnection);
    });
    m_timer.start(kMaxStepMs);
}

SpeechPlayback::~SpeechPlayback() {
    m_stream->setWakeUp({});
    m_stream->cancel();
}

void SpeechPlayback::halt() {
    if (m_halted)
        return;
    m_halted = true;
    m_timer.stop();
    m_stream->setWakeUp({});
    m_stream->cancel();
    m_port.reset();
}

qint64 SpeechPlayback::heardMs() const {
    if (!m_clock)
        return 0;
    return heardSamples(m_time.nsecsElapsed() / 1000) * 1000 / m_clock->sampleRate();
}

qint64 SpeechPlayback::lastWordMs() const {
    return m_clock ? m_lastWordSample * 1000 / m_clock->sampleRate() : 0;
}

bool SpeechPlayback::audible() const {
    return m_port && m_port->audible();
}

void SpeechPlayback::openPort(int sampleRate) {
    m_port = m_chooser.open(sampleRate);
    m_portFinished = false;
    m_clock.emplace(sampleRate);
}

void SpeechPlayback::advance() {
    if (m_halted)
        return;
    // Ask to be woken for more audio only while short of it; otherwise the
    // regular steps collect it.
    const qint64 inHand = (m_pending.size() - m_pendingOffset) / 2;
    const qint64 rate = m_clock ? m_clock->sampleRate() : 22050;
    SynthesisStream::Portion portion = m_stream->take(inHand < kLeadUs * rate / 1000000);
    if (!portion.pcm.isEmpty()) {
        if (m_pendingOffset > 0 && m_pendingOffset == m_pending.size()) {
            m_pending.clear();
            m_pendingOffset = 0;
        }
        m_pending.append(portion.pcm);
    }
    for (const SpeechCue& cue : portion.cues)
        m_cues.push_back(cue);
    m_synthesisDone = portion.finished;
    if (m_clock && portion.sampleRate > 0 && portion.sampleRate != m_clock->sampleRate() &&
        m_clock->written() == 0)
        m_clock.reset(); // the engine's rate differs from the one expected
    if (!m_clock && portion.sampleRate > 0)
        openPort(portion.sampleRate);

    const qint64 nowUs = m_time.nsecsElapsed() / 1000;
    if (m_clock) {
        const bool wasStarted = m_started;
        feed(nowUs);
        m_stream->reportPlayed(m_clock->position(nowUs));
        if (!wasStarted && m_started) {
            emit audioStarted();
            if (m_halted)
                return;
        }
    }

    const bool allHandedOver = m_pendingOffset >= m_pending.size();
    if (m_synthesisDone && allHandedOver && m_port && !m_portFinished) {
        m_portFinished = true;
        m_port->finish();
    }
    const qint64 heard = heardSamples(nowUs);
    const bool allHeard = !m_clock || heard >= m_clock->written();
    if (m_synthesisDone && allHandedOver && allHeard) {
        // The last sample has been heard: show what is left, close the mouth.
        if (!emitDueCues(std::numeric_limits<qint64>::max()))
            return;
        if (m_mouthKnown && m_mouth != MouthShape::Closed) {
            m_mouth = MouthShape::Closed;
            emit mouthChanged(MouthShape::Closed);
            if (m_halted)
                return;
        }
        m_halted = true;
        m_port.reset();
        emit finished();
        return;
    }
    if (!emitDueCues(heard))
        return;
    scheduleNext(nowUs);
}

void SpeechPlayback::feed(qint64 nowUs) {
    if (m_port && m_port->failed()) {
        // The device went away mid-speech: the rest is timed silently.
        m_chooser.deviceFailed();
        m_port = std::make_unique<SilentAudioPort>();
    }
    if (!m_port)
        return;
    const qint64 rate = m_clock->sampleRate();
    const qint64 leadSamples = kLeadUs * rate / 1000000;
    const qint64 ahead =
        m_clock->written() - std::min(m_clock->position(nowUs), heardSamples(nowUs));
    const qint64 available = m_pending.size() - m_pendingOffset;
    const qint64 room = std::min<qint64>((leadSamples - ahead) * 2, available);
    const qint64 minWrite = kMinWriteUs * rate / 1000000 * 2;
    if (room <= 0 || (room < minWrite && !(m_synthesisDone && room == available)))
        return;
    const qint64 taken = m_port->write(m_pending.constData() + m_pendingOffset, room) & ~qint64(1);
    if (taken <= 0)
        return;
    m_pendingOffset += taken;
    m_clock->wrote(taken / 2, nowUs);
    m_started = true;
    if (m_pendingOffset == m_pending.size()) {
        m_pending.clear();
        m_pendingOffset = 0;
    } else if (m_pendingOffset > (1 << 20)) {
        m_pending.remove(0, m_pendingOffset);
        m_pendingOffset = 0;
    }
}

qint64 SpeechPlayback::heardSamples(qint64 nowUs) const {
    if (!m_clock)
        return 0;
    // A sound device says what it has played out; silently, the clock decides.
    const qint64 deviceFrames = m_port ? m_port->heardFrames() : -1;
    const qint64 heard = deviceFrames >= 0 ? deviceFrames : m_clock->position(nowUs);
    m_heard = std::clamp(heard, m_heard, m_clock->written());
    return m_heard;
}

bool SpeechPlayback::emitDueCues(qint64 heard) {
    std::optional<MouthShape> shape;
    // A cue is due once the audio has moved past it, so one at the very start
    // waits until the output really plays.
    while (!m_cues.empty() && m_cues.front().sample < heard) {
        const SpeechCue cue = m_cues.front();
        m_cues.pop_front();
        if (cue.kind == SpeechCue::Kind::Mouth) {
            shape = cue.shape; // of several due at once only the latest shows
            continue;
        }
        if (!showMouth(shape))
            return false;
        shape.reset();
        m_lastWordSample = cue.sample;
        emit wordStarted(cue.position, cue.length);
        if (m_halted)
            return false;
    }
    return showMouth(shape);
}

bool SpeechPlayback::showMouth(std::optional<MouthShape> shape) {
    if (!shape || (m_mouthKnown && *shape == m_mouth))
        return true;
    m_mouthKnown = true;
    m_mouth = *shape;
    emit mouthChanged(m_mouth);
    return !m_halted;
}

void SpeechPlayback::scheduleNext(qint64 nowUs) {
    qint64 waitUs = qint64(kMaxStepMs) * 1000;
    if (m_clock) {
        // Wake when the next cue or the end is due (audio runs at one second a second).
        const qint64 heard = heardSamples(nowUs);
        qint64 target = -1;
        if (!m_cues.empty())
            target = m_cues.front().sample;
        else if (m_synthesisDone && m_pendingOffset >= m_pending.size())
            target = m_clock->written();
        if (target >= 0)
            waitUs = std::min(waitUs, std::max<qint64>(target - heard, 0) * 1000000 /
                                          m_clock->sampleRate());
    }
    m_timer.start(static_cast<int>(std::clamp<qint64>((waitUs + 999) / 1000, 1, kMaxStepMs)));
}

} // namespace tk::agent::speech
