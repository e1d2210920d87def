#include "agent/listening/AudioInputs.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTimer>

namespace tk::agent::listening {

SystemAudioInputs::SystemAudioInputs(QObject* parent)
    : AudioInputs(parent), m_devices(new QMediaDevices(this)), m_known(inputs()) {
    connect(m_devices, &QMediaDevices::audioInputsChanged, this, &SystemAudioInputs::compare);
    auto* poll = new QTimer(this);
    poll->setTimerType(Qt::VeryCoarseTimer);
    connect(poll, &QTimer::timeout, this, &SystemAudioInputs::compare);
    poll->start(kPollMs);
}

QList<InputDevice> SystemAudioInputs::inputs() const {
    QList<InputDevice> list;
    for (const QAudioDevice& device : QMediaDevices::audioInputs())
        list.append(InputDevice{device.id(), device.description(), device.isDefault()});
    return list;
}

void SystemAudioInputs::compare() {
    QList<InputDevice> now = inputs();
    if (now == m_known)
        return;
    m_known = std::move(now);
    emit changed();
}

} // namespace tk::agent::listening
