#include "agent/listening/AudioInputs.h"

#include "platform/sound/SoundServer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTimer>

namespace tk::agent::listening {

SystemAudioInputs::SystemAudioInputs(QObject* parent, SoundServer* server) : AudioInputs(parent) {
    (server ? *server : SoundServer::system()).whenReady(this, [this] { followDevices(); });
}

void SystemAudioInputs::followDevices() {
    if (m_devices)
        return;
    m_devices = new QMediaDevices(this);
    connect(m_devices, &QMediaDevices::audioInputsChanged, this, &SystemAudioInputs::compare);
    auto* poll = new QTimer(this);
    poll->setTimerType(Qt::VeryCoarseTimer);
    connect(poll, &QTimer::timeout, this, &SystemAudioInputs::compare);
    poll->start(kPollMs);
    // The sound system is there now, with or without inputs: listeners look again.
    m_known = inputs();
    emit changed();
}

QList<InputDevice> SystemAudioInputs::inputs() const {
    QList<InputDevice> list;
    if (!m_devices)
        return list;
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        list.append(InputDevice{device.id(), device.description(), device.isDefault()});
    return list;
}

QAudioDevice SystemAudioInputs::device(const QByteArray& id) {
    if (id.isEmpty())
        return QMediaDevices::defaultAudioInput();
    for (const QAudioDevice& input : QMediaDevices::audioInputs()) {
        if (input.id() == id)
            return input;
    }
    return {};
}

void SystemAudioInputs::compare() {
    QList<InputDevice> now = inputs();
    if (now == m_known)
        return;
    m_known = std::move(now);
    emit changed();
}

} // namespace tk::agent::listening
