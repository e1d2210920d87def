#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSource;
class QIODevice;

namespace tk::agent::listening {

class AudioFormatConverter;

// The loudness of a microphone, for people to see that Tovrin hears them. It
// opens the device only between start() and stop(), and must not be started
// before the sound server has answered (see SystemAudioInputs).
class InputLevelMeter final : public QObject {
    Q_OBJECT
public:
    explicit InputLevelMeter(QObject* parent = nullptr);
    ~InputLevelMeter() override;

    // Measures the input with this id (the default input when empty); false
    // when there is no such input or it cannot be opened.
    bool start(const QByteArray& deviceId);
    void stop();
    bool isActive() const { return m_source != nullptr; }

    // The level of samples from 0 (-60 dBFS or quieter) to 1 (full scale), by
    // their root mean square.
    static double levelOf(const std::vector<std::int16_t>& samples);

signals:
    // About 25 times a second while measuring.
    void level(double value);

private:
    void readAvailable();

    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
    std::unique_ptr<AudioFormatConverter> m_converter;
};

} // namespace tk::agent::listening
