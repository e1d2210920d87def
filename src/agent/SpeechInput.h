#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tk::agent {

// The phrases that raise one command by voice.
struct VoiceCommand {
    QString name;        // the command's name
    QStringList phrases; // the bracketed phrases of its voice text, as registered
};

// Speech input of the runtime: recognition of the registered commands' phrases.
// Decoding runs off the user-interface thread; the signals arrive on the thread
// that owns this object.
class SpeechInput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechInput() override = default;
    SpeechInput(const SpeechInput&) = delete;
    SpeechInput& operator=(const SpeechInput&) = delete;

    // Whether recognition can work here (model and microphone present).
    virtual bool isAvailable() const = 0;
    // Why it cannot, in one sentence for the user; "" when it can.
    virtual QString unavailableReason() const = 0;
    // The commands to recognise; replaces the previous set.
    virtual void setCommands(const QList<VoiceCommand>& commands) = 0;
    // Listens with the microphone called id (name: how users know it); an empty
    // id is the system's default input. Applies to a session under way at once.
    virtual void setMicrophone(const QByteArray& id, const QString& name) = 0;
    // Opens a listening session; it closes by itself after a quiet while.
    virtual void startListening() = 0;
    // Closes the listening session at once.
    virtual void stopListening() = 0;
    virtual bool isListening() const = 0;

signals:
    // isAvailable() or unavailableReason() changed (a microphone came or went).
    void availabilityChanged();
    void listeningStarted();
    void listeningStopped();
    // An utterance began.
    void hearingStarted();
    // An utterance was decoded: the command's name, or "" when it matched no
    // command well enough; text is what was heard.
    void heard(const QString& commandName, const QString& text);
};

} // namespace tk::agent
