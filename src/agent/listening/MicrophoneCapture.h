#pragma once

#include "agent/listening/AudioCapture.h"
#include "agent/listening/AudioFormatConverter.h"

#include <memory>

class QAudioSource;
class QIODevice;
class QMediaDevices;

namespace tk::agent::listening {

// The default microphone through Qt Multimedia, asked for 16 kHz mono 16-bit and
// converted from whatever the device offers instead.
class MicrophoneCapture final : public AudioCapture {
    Q_OBJECT
public:
    explicit MicrophoneCapture(QObject* parent = nullptr);
    ~MicrophoneCapture() override;

    bool isAvailable() const override;
    QString unavailableReason() const override;
    bool start() override;
    void stop() override;
    bool isActive() const override { return m_source != nullptr; }

private:
    void readAvailable();
    void fail(const QString& reason);

    QMediaDevices* m_devices;
    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
    std::unique_ptr<AudioFormatConverter> m_converter;
};

} // namespace tk::agent::listening
