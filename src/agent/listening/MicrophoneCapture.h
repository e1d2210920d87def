#pragma once

#include "agent/listening/AudioCapture.h"
#include "agent/listening/AudioFormatConverter.h"

#include <memory>

class QAudioSource;
class QIODevice;

namespace tk::agent::listening {

class AudioInputs;

// A microphone through Qt Multimedia (the system's default input unless one is
// chosen), asked for 16 kHz mono 16-bit and converted from whatever the device
// offers instead. It follows the inputs as they come and go: one plugged in
// later is used, and one taken away while in use ends the capture with a reason.
class MicrophoneCapture final : public AudioCapture {
    Q_OBJECT
public:
    // inputs: where the list of inputs comes from (the system's unless given; owned).
    explicit MicrophoneCapture(AudioInputs* inputs = nullptr, QObject* parent = nullptr);
    ~MicrophoneCapture() override;

    bool isAvailable() const override;
    QString unavailableReason() const override;
    bool start() override;
    void stop() override;
    bool isActive() const override { return m_source != nullptr; }
    void setDevice(const QByteArray& id, const QString& name) override;

    QByteArray chosenDevice() const { return m_chosenId; }

private:
    void readAvailable();
    void fail(const QString& reason);
    void inputsChanged();

    AudioInputs* m_inputs;
    QByteArray m_chosenId;
    QString m_chosenName;
    QByteArray m_activeId; // the device being captured from
    QString m_activeName;
    QAudioSource* m_source = nullptr;
    QIODevice* m_input = nullptr;
    std::unique_ptr<AudioFormatConverter> m_converter;
};

} // namespace tk::agent::listening
