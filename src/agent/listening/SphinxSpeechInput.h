#pragma once

#include "agent/SpeechInput.h"
#include "agent/listening/SpeechModelFiles.h"

#include <QThread>
#include <QTimer>

namespace tk::agent::listening {

class AudioCapture;
class ListeningWorker;

// Speech input by the pocketsphinx en-us model: audio from a capture source (the
// default microphone unless another is given) is cut into utterances and
// recognized on a worker thread against the phrases of the registered commands;
// the signals arrive on the thread that owns this object. A listening session
// closes by itself after quietTimeout() without speech.
class SphinxSpeechInput final : public SpeechInput {
    Q_OBJECT
public:
    // Listens to the default microphone with the installed model.
    explicit SphinxSpeechInput(QObject* parent = nullptr);
    // Listens to capture (owned from now on) with model.
    SphinxSpeechInput(AudioCapture* capture, const SpeechModelFiles& model,
                      QObject* parent = nullptr);
    ~SphinxSpeechInput() override;

    bool isAvailable() const override;
    QString unavailableReason() const override;
    void setCommands(const QList<VoiceCommand>& commands) override;
    void setMicrophone(const QByteArray& id, const QString& name) override;
    // Does nothing when unavailable; while listening it only restarts the quiet while.
    void startListening() override;
    void stopListening() override;
    bool isListening() const override { return m_session != 0; }

    // The commands given last.
    const QList<VoiceCommand>& commands() const { return m_commands; }
    // How long a session waits for speech before it closes (ms, 8000 by default).
    void setQuietTimeout(int milliseconds) { m_quiet.setInterval(milliseconds); }
    int quietTimeout() const { return m_quiet.interval(); }

private:
    void onHearingStarted(quint64 session);
    void onHeard(quint64 session, const QString& commandName, const QString& text);
    void onCaptureFailure(const QString& reason);
    void onRecognizerFailure(const QString& reason);

    AudioCapture* m_capture;
    SpeechModelFiles m_model;
    QString m_modelProblem;      // set once: the model files are missing
    QString m_captureFailure;    // the capture could not start or stopped working
    QString m_recognizerFailure; // the recognizer could not be loaded (for good)
    QThread m_thread;
    ListeningWorker* m_worker;
    QTimer m_quiet;
    QList<VoiceCommand> m_commands;
    quint64 m_session = 0;
    quint64 m_lastSession = 0;
};

} // namespace tk::agent::listening
