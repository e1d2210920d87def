#pragma once

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <memory>

namespace tk {

class SoundOutput;
class SoundServer;

// Plays one sound file without waiting; playback ends when the player is
// destroyed. A seam so that tests can see what would be played.
class SoundPlayer {
public:
    SoundPlayer() = default;
    virtual ~SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Starts playing the file at path. A missing file or audio device is silent.
    virtual void play(const QString& path) = 0;
};

// Plays through the sound server: the file is read whole, then handed to the
// server as it plays. Nothing is asked of the server before it has answered, so
// a start without the intro sound costs nothing here.
class ServerSoundPlayer final : public SoundPlayer {
public:
    explicit ServerSoundPlayer(SoundServer& server);
    ~ServerSoundPlayer() override;
    void play(const QString& path) override;

private:
    void feed();

    SoundServer& m_server;
    std::unique_ptr<SoundOutput> m_output;
    QByteArray m_pcm;
    qsizetype m_offset = 0;
    QTimer m_feeder;
};

} // namespace tk
