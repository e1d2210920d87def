#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace tk {

// Records 16 kHz mono 16-bit audio from the sound server on the server client's
// own thread (the server converts whatever the device offers) and hands it over
// in pieces of a chosen length. Longer pieces while nothing needs a quick answer
// let the receiving thread sleep between them.
class SoundRecorder final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSampleRate = 16000;

    // Where audio() is emitted: on the owner's thread, or straight from the
    // recording thread as it is read, for a thread-safe receiver that passes it
    // on to a thread of its own without waking the owner's.
    enum class Delivery { OwnerThread, RecordingThread };

    explicit SoundRecorder(QObject* parent = nullptr, Delivery delivery = Delivery::OwnerThread);
    ~SoundRecorder() override;
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Starts recording from the server's input called device ("" for its default);
    // connecting goes on in the background, and a failure then is reported by
    // failed(). False with *error set when even that cannot begin.
    bool start(const QByteArray& device, QString* error = nullptr);
    // Stops recording; no audio arrives after it returns. Never waits on the server.
    void stop();
    bool isActive() const { return m_session != nullptr; }
    // Audio goes to the owner in pieces of at least this long (40 ms by default,
    // at least 10 ms); applies from the next piece on.
    void setPieceDuration(int milliseconds);
    int pieceDuration() const { return m_pieceMs; }

signals:
    // A piece of audio, on the thread chosen by Delivery; either way none comes
    // after stop() has returned.
    void audio(const std::vector<std::int16_t>& samples);
    // Recording ended by itself: the server went away (serverGone), or the input
    // could not be opened or was taken away. reason is for the log.
    void failed(const QString& reason, bool serverGone);

private:
    struct Session;
    void deliver(quint64 session, std::vector<std::int16_t> samples);
    void report(quint64 session, const QString& reason, bool serverGone);

    std::unique_ptr<Session> m_session;
    const Delivery m_delivery;
    quint64 m_sessions = 0;
    int m_pieceMs = 40;
};

} // namespace tk
