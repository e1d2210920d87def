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

    // The character's name as spoken ("Tovrin"): any phrase may begin with it, and
    // always listening acts only on phrases that do.
    virtual void setCharacterName(const QString& name) = 0;
    // Always listening (off by default): the microphone stays open and a phrase
    // that begins with the character's name raises its command without a session;
    // other speech is ignored in silence (no hearingStarted(), no heard()). Nothing
    // is decoded while the room is quiet. A session opened meanwhile listens to
    // any phrase as usual. While unavailable it waits and resumes by itself.
    virtual void setAlwaysListening(bool on) = 0;
    virtual bool isAlwaysListening() const = 0;
    // A character is speaking: audio heard meanwhile is ignored, so that it never
    // acts on its own voice (a session is closed for that by its owner as well).
    // Calls nest: audio counts again once every true has had its false.
    virtual void setCharacterSpeaking(bool speaking) = 0;

signals:
    // isAvailable() or unavailableReason() changed (a microphone came or went).
    void availabilityChanged();
    void listeningStarted();
    void listeningStopped();
    // setAlwaysListening() changed the mode.
    void alwaysListeningChanged(bool on);
    // An utterance began.
    void hearingStarted();
    // An utterance was decoded: the command's name, or "" when it matched no
    // command well enough; text is what was heard.
    void heard(const QString& commandName, const QString& text);
};

} // namespace tk::agent
