#include "SoundPlayer.h"

#include "platform/sound/SoundFile.h"
#include "platform/sound/SoundOutput.h"
#include "platform/sound/SoundServer.h"

#include <QFileInfo>
#include <QLoggingCategory>

namespace tk {

namespace {

Q_LOGGING_CATEGORY(lcSound, "tk.sound")

// How often the rest of the sound is handed over; the output holds more than
// this, so it never runs dry.
constexpr int kFeedMs = 200;

} // namespace

ServerSoundPlayer::ServerSoundPlayer(SoundServer& server) : m_server(server) {
    m_feeder.setInterval(kFeedMs);
    QObject::connect(&m_feeder, &QTimer::timeout, [this] { feed(); });
}

ServerSoundPlayer::~ServerSoundPlayer() {
    if (m_output)
        qCDebug(lcSound, "sound ends with its player: %lld of %lld samples heard%s",
                m_output->heardFrames(), m_output->writtenFrames(),
                m_output->failed() ? ", the output failed" : "");
}

void ServerSoundPlayer::play(const QString& path) {
    if (!QFileInfo(path).isFile() || !m_server.ready())
        return;
    QString error;
    SoundFile sound = SoundFile::read(path, &error);
    if (sound.pcm.isEmpty()) {
        qCWarning(lcSound, "%s cannot be played: %s", qPrintable(path), qPrintable(error));
        return;
    }
    m_feeder.stop();
    m_output = SoundOutput::open(sound.sampleRate, &error);
    if (!m_output) {
        qCWarning(lcSound, "no sound output: %s", qPrintable(error));
        return;
    }
    qCDebug(lcSound, "playing %s: %.2f s", qPrintable(path),
            double(sound.pcm.size()) / 2 / sound.sampleRate);
    m_pcm = std::move(sound.pcm);
    m_offset = 0;
    feed();
}

void ServerSoundPlayer::feed() {
    if (!m_output)
        return;
    if (m_output->failed()) {
        // Whoever plays next finds out whether the server is still there.
        m_output.reset();
        m_pcm.clear();
        m_feeder.stop();
        m_server.lost();
        return;
    }
    m_offset += m_output->write(m_pcm.constData() + m_offset, m_pcm.size() - m_offset);
    if (m_offset < m_pcm.size()) {
        m_feeder.start();
        return;
    }
    // All handed over: the output plays it out and lives until the player goes.
    m_output->finish();
    m_pcm.clear();
    m_feeder.stop();
}

} // namespace tk
