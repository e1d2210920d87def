#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace tk::test {

// A private PulseAudio server with no sound card: a speaker (a null sink "spk",
// the default output) and a virtual microphone (the monitor of a null sink "mic",
// remapped into an ordinary source, the default input, as Qt lists no monitors).
// A program started with environmentFor() hears what playIntoMicrophone() plays.
class SoundServer {
public:
    // Why this machine cannot run a private sound server, or empty.
    static QString missingTools();

    enum class Start { Now, Later };
    // Starts the server now (see error()), or only when start() is called: a
    // program pointed at it before then finds no server.
    explicit SoundServer(Start when = Start::Now);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts a server made with Start::Later; false with the reason in error().
    bool start();
    // Empty when the server runs with its microphone, else what went wrong.
    QString error() const { return m_error; }
    // base pointed at this server (its own runtime directory).
    QProcessEnvironment environmentFor(QProcessEnvironment base) const;
    // Points the sound connections this process makes from now on at this server.
    void useInThisProcess() const;
    // Plays a WAV file into the microphone and waits until it has been played.
    bool playIntoMicrophone(const QString& wavFile) const;
    // Ends the server at once, as a crash would; start() brings it back with
    // the same speaker and microphone.
    void crash();

    // Whether a program is playing to the speaker now.
    bool playingToSpeaker() const;
    // Records the speaker from now on; speakerPeak() tells how loud it got.
    bool listenToSpeaker();
    // The loudest sample played to the speaker since listenToSpeaker(), 0 to 1.
    double speakerPeak();
    // What the speaker played since listenToSpeaker(), as 16 kHz mono samples.
    QByteArray speakerSound();
    // Runs pactl with arguments on this server (to plug in another microphone,
    // say); whether it succeeded, with what it printed in output.
    bool pactl(const QStringList& arguments, QString* output = nullptr) const;

private:
    QTemporaryDir m_runtime;
    QProcess m_daemon;
    QProcess m_speakerRecorder;
    int m_speakerPeak = 0;
    QByteArray m_speakerSound;
    QString m_error;
};

} // namespace tk::test
