#pragma once

#include <QAudioDevice>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QMediaDevices;

namespace tk {
class SoundServer;
}

namespace tk::agent::listening {

// One sound input of the system.
struct InputDevice {
    QByteArray id;
    QString name;
    bool isDefault = false;

    bool operator==(const InputDevice&) const = default;
};

// The system's sound inputs as they come and go.
class AudioInputs : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioInputs() override = default;
    AudioInputs(const AudioInputs&) = delete;
    AudioInputs& operator=(const AudioInputs&) = delete;

    virtual QList<InputDevice> inputs() const = 0;
    // Whether the system's sound server has answered; without it there are no
    // inputs, and one that starts later brings its inputs with it.
    virtual bool soundSystemReady() const { return true; }

signals:
    // An input came or went, or another became the default.
    void changed();
};

// The inputs Qt Multimedia knows. Its sound server connection keeps the list
// current, but it does not always say when the list changed; the list is also
// compared every few seconds, which costs next to nothing. Qt Multimedia is not
// asked anything before the sound server answers (server: the system's when null).
class SystemAudioInputs final : public AudioInputs {
    Q_OBJECT
public:
    static constexpr int kPollMs = 2000;

    explicit SystemAudioInputs(QObject* parent = nullptr, SoundServer* server = nullptr);
    QList<InputDevice> inputs() const override;
    bool soundSystemReady() const override { return m_devices != nullptr; }

    // Qt Multimedia's input with this id (the default input for an empty id), or
    // a null device. Only once the sound system is ready.
    static QAudioDevice device(const QByteArray& id);

private:
    void followDevices();
    void compare();

    QMediaDevices* m_devices = nullptr;
    QList<InputDevice> m_known;
};

} // namespace tk::agent::listening
