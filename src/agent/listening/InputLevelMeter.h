#pragma once

#include "platform/sound/SoundRecorder.h"

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <vector>

namespace tk {
class SoundServer;
}

namespace tk::agent::listening {

class AudioInputs;

// The loudness of a microphone, for people to see that Tovrin hears them. It
// records from the device through the sound server, as listening does, only
// between start() and stop(). When the sound server goes away while it
// measures, it measures again once the server is back and the input is listed.
class InputLevelMeter final : public QObject {
    Q_OBJECT
public:
    // inputs: where the ids are looked up (not owned; it outlives the meter).
    // server: the sound server watched when it goes away (the system's unless given).
    explicit InputLevelMeter(const AudioInputs& inputs, QObject* parent = nullptr,
                             SoundServer* server = nullptr);
    ~InputLevelMeter() override;

    // Measures the listed input with this id (the default input when empty);
    // false when there is no such input or recording cannot begin. An input that
    // fails later shows as silence.
    bool start(const QByteArray& deviceId);
    void stop();
    bool isActive() const { return m_recorder.isActive(); }

    // The level of samples from 0 (-60 dBFS or quieter) to 1 (full scale), by
    // their root mean square.
    static double levelOf(const std::vector<std::int16_t>& samples);

signals:
    // About 25 times a second while measuring.
    void level(double value);

private:
    bool open();
    void resume();

    const AudioInputs& m_inputs;
    SoundRecorder m_recorder;
    SoundServer* m_server;
    QByteArray m_deviceId;
    bool m_measuring = false; // between start() and stop(), also while the server is away
};

} // namespace tk::agent::listening
