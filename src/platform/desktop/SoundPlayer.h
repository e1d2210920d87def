#pragma once

#include <QString>
#include <memory>

class QAudioOutput;
class QMediaPlayer;

namespace tk {

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
// is played, so a start without the intro sound costs nothing here.
class MultimediaSoundPlayer final : public SoundPlayer {
public:
    MultimediaSoundPlayer();
    ~MultimediaSoundPlayer() override;
    void play(const QString& path) override;

private:
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

} // namespace tk
