#pragma once

#include <QString>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace tk {

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

// Plays through Qt Multimedia. The media objects are made only when something
// is played, so a start without the intro sound costs nothing here; nothing is
// played (or asked of Qt Multimedia) before the sound server has answered.
class MultimediaSoundPlayer final : public SoundPlayer {
public:
    explicit MultimediaSoundPlayer(SoundServer& server);
    ~MultimediaSoundPlayer() override;
    void play(const QString& path) override;

private:
    SoundServer& m_server;
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

} // namespace tk
