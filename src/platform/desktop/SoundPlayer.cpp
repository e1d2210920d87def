#include "SoundPlayer.h"

#include "platform/sound/SoundServer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace tk {

MultimediaSoundPlayer::MultimediaSoundPlayer(SoundServer& server) : m_server(server) {}

MultimediaSoundPlayer::~MultimediaSoundPlayer() {
    if (m_player)
        m_player->stop();
}

void MultimediaSoundPlayer::play(const QString& path) {
    if (!QFileInfo(path).isFile() || !m_server.ready())
        return;
    // Without an output device the player would play silently anyway; skip it.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    m_output = std::make_unique<QAudioOutput>();
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setAudioOutput(m_output.get());
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player->play();
}

} // namespace tk
