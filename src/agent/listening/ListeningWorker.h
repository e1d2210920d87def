#pragma once

#include "agent/api/SpeechInput.h"
#include "agent/listening/ListeningEngine.h"
#include "agent/listening/SpeechModelFiles.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>

namespace tk::agent::listening {

// The listening engine on its own thread. Every call comes in queued from the
// owner; results go back as signals. The recognizer is loaded on first use, so a
// program that never listens never pays for it.
class ListeningWorker final : public QObject {
    Q_OBJECT
public:
    explicit ListeningWorker(SpeechModelFiles model);
    ~ListeningWorker() override;
    ListeningWorker(const ListeningWorker&) = delete;
    ListeningWorker& operator=(const ListeningWorker&) = delete;

    void setCommands(const QList<VoiceCommand>& commands);
    // The character's name, which may lead any phrase.
    void setCharacterName(const QString& name);
    // Audio of stream is listened to from now on, any earlier stream dropped; with
    // nameRequired only phrases that begin with the name are reported. Called
    // again for the same stream it only changes nameRequired.
    void listen(quint64 stream, bool nameRequired);
    void stop();
    void push(quint64 stream, const std::vector<std::int16_t>& samples);

signals:
    // The recognizer is loaded and stream is listened to (after each listen()).
    void ready(quint64 stream);
    void hearingStarted(quint64 stream);
    // The detector began or finished an utterance of stream (also while always
    // listening, when hearingStarted is not emitted).
    void utteranceChanged(quint64 stream, bool inUtterance);
    void heard(quint64 stream, const QString& commandName, const QString& text);
    // The recognizer could not be loaded; reason for the user.
    void failed(const QString& reason);
    // Words of the registered phrases nothing could pronounce.
    void unpronounceableWords(const QStringList& words);

private:
    bool ensureEngine();
    void applyCommands();

    SpeechModelFiles m_model;
    std::unique_ptr<ListeningEngine> m_engine;
    bool m_failed = false;
    QList<VoiceCommand> m_commands;
    QString m_name;
    quint64 m_stream = 0;
    bool m_inUtterance = false; // as last reported by utteranceChanged
    QElapsedTimer m_sinceAudio; // since audio last came, of any stream
};

} // namespace tk::agent::listening
