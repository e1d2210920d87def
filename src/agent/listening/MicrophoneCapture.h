#pragma once

#include "agent/listening/AudioCapture.h"
#include "platform/sound/SoundRecorder.h"

#include <atomic>

namespace tk {
class SoundServer;
}

namespace tk::agent::listening {

class AudioInputs;

// A microphone (the system's default input unless one is chosen), recorded as
// 16 kHz mono 16-bit through the sound server, which converts whatever the
// device offers. It follows the inputs as they come and go: one plugged in later
// is used, and one taken away while in use ends the capture with a reason. When
// the sound server goes away during a capture, availabilityChanged() says when it
// is back. Audio is emitted on the recording thread (see AudioCapture).
class MicrophoneCapture final : public AudioCapture {
    Q_OBJECT
public:
    // inputs: where the list of inputs comes from (the system's unless given;
    // owned). server: the sound server watched when it goes away (the system's
    // unless given).
    explicit MicrophoneCapture(AudioInputs* inputs = nullptr, QObject* parent = nullptr,
                               SoundServer* server = nullptr);
    ~MicrophoneCapture() override;

    bool isAvailable() const override;
    QString unavailableReason() const override;
    bool start() override;
    void stop() override;
    bool isActive() const override { return m_recorder.isActive(); }
    void setDevice(const QByteArray& id, const QString& name) override;
    void setPieceDuration(int milliseconds) override { m_recorder.setPieceDuration(milliseconds); }

    QByteArray chosenDevice() const { return m_chosenId; }

private:
    void fail(const QString& reason);
    void inputsChanged();

    AudioInputs* m_inputs;
    QByteArray m_chosenId;
    QString m_chosenName;
    QByteArray m_activeId; // the device being captured from
    QString m_activeName;
    std::atomic<bool> m_audioArrived = false; // since the recording started; for the debug log
    SoundRecorder m_recorder;
    SoundServer* m_server;
    bool m_waitingForServer = false; // this capture lost the server and waits for it
};

} // namespace tk::agent::listening
