#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

namespace tk::agent::listening {

// A source of audio for listening, delivered as 16 kHz mono 16-bit samples. The
// microphone is one; tests and tools feed prepared audio through another, so that
// both take the same way to the recognizer. audio() may be emitted on a thread of
// the source's own (the microphone's recording thread), so that a receiver on yet
// another thread gets it without waking the owner's: connect to it with
// Qt::DirectConnection and a thread-safe receiver, or let Qt queue it.
class AudioCapture : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioCapture() override = default;
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    // Whether there is something to capture from.
    virtual bool isAvailable() const = 0;
    // Why not, in one sentence for the user; "" when available.
    virtual QString unavailableReason() const = 0;
    // Starts delivering audio; false (with failed emitted) when it cannot.
    virtual bool start() = 0;
    // Stops delivering audio; nothing more arrives after it returns.
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Captures from the device called id (name: how users know it) instead of
    // the system's default; an empty id goes back to the default. Sources
    // without devices ignore it.
    virtual void setDevice(const QByteArray& id, const QString& name) {
        Q_UNUSED(id);
        Q_UNUSED(name);
    }
    // Hands audio over in pieces of about this length from now on: longer while
    // nothing needs a quick answer, so that the receiving thread sleeps more.
    // Sources that deliver as they please ignore it.
    virtual void setPieceDuration(int milliseconds) { Q_UNUSED(milliseconds); }

signals:
    void audio(const std::vector<std::int16_t>& samples);
    // Capturing stopped or could not start; reason is one sentence for the user.
    void failed(const QString& reason);
    // The source came or went (a microphone plugged in or removed).
    void availabilityChanged();
};

} // namespace tk::agent::listening
