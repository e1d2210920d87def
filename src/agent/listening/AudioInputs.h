#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace tk {
class SoundServer;
class SoundSources;
} // namespace tk

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

    // The listed input with this id; for an empty id the default input (the
    // first listed when none is the default). Nothing when there is no such input.
    std::optional<InputDevice> find(const QByteArray& id) const;

signals:
    // An input came or went, or another became the default.
    void changed();
};

// The sound server's inputs (not the monitors of its outputs), as the server
// reports them; an input's id is the server's name for it. Nothing is asked
// before the sound server answers (server: the system's when null).
class SystemAudioInputs final : public AudioInputs {
    Q_OBJECT
public:
    explicit SystemAudioInputs(QObject* parent = nullptr, SoundServer* server = nullptr);
    ~SystemAudioInputs() override;
    QList<InputDevice> inputs() const override;
    // True while the inputs come from a connection to the server.
    bool soundSystemReady() const override;

private:
    SoundSources* m_sources;
};

} // namespace tk::agent::listening
