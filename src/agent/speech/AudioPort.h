#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QObject>
#include <memory>

class QAudioSink;
class QIODevice;

namespace tk {
class SoundServer;
}

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

// Plays through a Qt Multimedia audio sink in push mode.
class DeviceAudioPort final : public AudioPort {
public:
    // Opens device for format; isOpen() says whether it worked.
    DeviceAudioPort(const QAudioDevice& device, const QAudioFormat& format);
    ~DeviceAudioPort() override;

    bool isOpen() const { return m_io != nullptr; }
    qint64 write(const char* data, qint64 bytes) override;
    bool failed() const override;
    bool audible() const override { return true; }
    qint64 heardFrames() const override;

private:
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_io = nullptr;
    qint64 m_writtenBytes = 0;
    mutable qint64 m_lastProcessedUs = 0;
    mutable QElapsedTimer m_sinceProgress;
};

// Chooses the port for each speech. Without an audio device (no sound server
// yet, none listed, or one that does not open or stops working) it gives silent
// ports, and does not try the device again until the sound server answers or
// the system's list of audio outputs changes.
class AudioPortChooser : public QObject {
    Q_OBJECT
public:
    // server: whether Qt Multimedia may be used yet (the system's when null).
    explicit AudioPortChooser(bool useDevices, QObject* parent = nullptr,
                              SoundServer* server = nullptr);

    // A port for audio in format: the default output device when there is a
    // usable one, otherwise a silent port.
    std::unique_ptr<AudioPort> open(const QAudioFormat& format);
    // The device failed during a speech: use silent ports until the list of
    // outputs changes, or, if the sound server went away with it, until the
    // server answers again.
    void deviceFailed();
    // Whether the next speech will try a device.
    bool deviceUsable() const { return m_devices != nullptr && !m_unusable; }

private:
    void followDevices();

    bool m_unusable = false;
    QMediaDevices* m_devices = nullptr;
    SoundServer* m_server = nullptr;
};

} // namespace tk::agent::speech
