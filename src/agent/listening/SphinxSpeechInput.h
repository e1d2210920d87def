#pragma once

#include "agent/api/SpeechInput.h"
#include "agent/listening/SpeechModelFiles.h"

#include <QThread>
#include <QTimer>
#include <atomic>

namespace tk::agent::listening {

class AudioCapture;
class ListeningWorker;

// Speech input by the pocketsphinx en-us model: audio from a capture source (the
// default microphone unless another is given) is cut into utterances and
// recognized on a worker thread against the phrases of the registered commands;
// the signals arrive on the thread that owns this object. A listening session
// closes by itself after quietTimeout() without speech. Always listening keeps
// the capture open between sessions and reports only phrases led by the name.
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
    bool isListening() const override { return m_session; }
    void setCharacterName(const QString& name) override;
    void setAlwaysListening(bool on) override;
    bool isAlwaysListening() const override { return m_alwaysListening; }
    void setCharacterSpeaking(bool speaking) override;
    // Whether audio is being listened to now (a session, or always listening
    // while the microphone works).
    bool isCapturing() const { return m_stream != 0; }

    // The commands given last.
    const QList<VoiceCommand>& commands() const { return m_commands; }
    // How long a session waits for speech before it closes (ms, 8000 by default).
    void setQuietTimeout(int milliseconds) { m_quiet.setInterval(milliseconds); }
    int quietTimeout() const { return m_quiet.interval(); }

private:
    // Opens the capture and a new stream of audio to the worker; false when the
    // capture cannot start.
    bool openStream();
    void closeStream();
    // Tells the worker whether phrases must begin with the name now.
    void updateWorkerMode();
    // Opens or closes the stream as always listening and availability ask.
    void followAlwaysListening();
    // Listens to stream (0: none) from now on; audio of the previous one is dropped.
    void switchStream(quint64 stream);
    // Asks the capture for pieces as long as the worker's state and the session allow.
    void askPieceDuration();
    // Lets the capture's audio go to the worker as audio of m_stream, unless a
    // character is speaking (its own voice is not listened to).
    void routeAudio();
    void onHearingStarted(quint64 stream);
    void onHeard(quint64 stream, const QString& commandName, const QString& text);
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
    bool m_session = false;         // a listening session is open
    bool m_alwaysListening = false; // as asked; listens only while available
    quint64 m_stream = 0;           // the audio stream being listened to; 0 for none
    quint64 m_lastStream = 0;
    int m_speakers = 0;           // characters speaking now; their audio is not listened to
    bool m_workerHearing = false; // the worker is in an utterance of m_stream
    // The stream the capture's audio goes to, read on the capture's thread; 0: none.
    std::atomic<quint64> m_route = 0;
};

} // namespace tk::agent::listening
