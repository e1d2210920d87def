#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <memory>

namespace tk {
class SoundOutput;
class SoundServer;
} // namespace tk

namespace tk::agent::speech {

// Where the audio of one speech goes: a sound device, or nowhere at the natural
// rate. A device knows how much of the audio has been heard; without one the
// playback clock says.
class AudioPort {
public:
    AudioPort() = default;
    virtual ~AudioPort() = default;
    AudioPort(const AudioPort&) = delete;
    AudioPort& operator=(const AudioPort&) = delete;

    // Hands audio over; gives the number of bytes taken.
    virtual qint64 write(const char* data, qint64 bytes) = 0;
    // No more audio comes: what was handed over plays to its end.
    virtual void finish() {}
    // Whether the port has stopped working, so the speech must go on without it.
    virtual bool failed() const = 0;
    // Whether the audio is really heard.
    virtual bool audible() const = 0;
    // Samples of the audio heard so far by the device's own clock (what it has
    // played, less its latency), or -1 where there is no device.
    virtual qint64 heardFrames() const = 0;
};

// Takes all audio and plays none of it: the speech keeps its natural timing,
// which the playback clock provides.
class SilentAudioPort final : public AudioPort {
public:
    qint64 write(const char*, qint64 bytes) override { return bytes; }
    bool failed() const override { return false; }
    bool audible() const override { return false; }
    qint64 heardFrames() const override { return -1; }
};

// Plays through the sound server.
class DeviceAudioPort final : public AudioPort {
public:
    explicit DeviceAudioPort(std::unique_ptr<SoundOutput> output);
    ~DeviceAudioPort() override;

    qint64 write(const char* data, qint64 bytes) override;
    void finish() override;
    // The output failed, or has played nothing for a while although audio waits.
    bool failed() const override;
    // Whether it failed because the connection to the sound server ended.
    bool serverGone() const;
    bool audible() const override { return true; }
    qint64 heardFrames() const override;

private:
    std::unique_ptr<SoundOutput> m_output;
    mutable qint64 m_lastHeard = 0;
    mutable QElapsedTimer m_sinceProgress;
};

// Chooses the port for each speech. Without a sound server (none yet, or one
// that went away) it gives silent ports, and tries the server's output again
// once the server answers. An output that fails while the server still answers
// is left alone for a while.
class AudioPortChooser : public QObject {
    Q_OBJECT
public:
    static constexpr int kDeviceRetryMs = 10000;

    // useDevices: whether to play at all (not in tests). server: the system's
    // when null. deviceRetryMs: how long a failed output is left alone.
    explicit AudioPortChooser(bool useDevices, QObject* parent = nullptr,
                              SoundServer* server = nullptr, int deviceRetryMs = kDeviceRetryMs);

    // A port for mono 16-bit audio at sampleRate: the server's output when it
    // is usable, otherwise a silent port.
    std::unique_ptr<AudioPort> open(int sampleRate);
    // The output failed during a speech: use silent ports for a while, or, if
    // the sound server went away with it, until the server answers again.
    void deviceFailed();
    // Whether the next speech will try the server's output.
    bool deviceUsable() const;

private:
    const bool m_useDevices;
    const int m_retryMs;
    bool m_unusable = false;
    QElapsedTimer m_sinceFailure;
    SoundServer* m_server = nullptr;
};

} // namespace tk::agent::speech
