#include "agent/listening/AudioInputs.h"

#include "platform/sound/SoundServer.h"
#include "platform/sound/SoundSources.h"

#include <algorithm>

namespace tk::agent::listening {

std::optional<InputDevice> AudioInputs::find(const QByteArray& id) const {
    const QList<InputDevice> list = inputs();
    const auto found = std::find_if(list.begin(), list.end(), [&](const InputDevice& input) {
        return id.isEmpty() ? input.isDefault : input.id == id;
    });
    if (found != list.end())
        return *found;
    if (id.isEmpty() && !list.isEmpty())
        return list.first();
    return std::nullopt;
}

SystemAudioInputs::SystemAudioInputs(QObject* parent, SoundServer* server)
    : AudioInputs(parent),
      m_sources(new SoundSources(server ? *server : SoundServer::system(), this)) {
    connect(m_sources, &SoundSources::changed, this, &AudioInputs::changed);
}

SystemAudioInputs::~SystemAudioInputs() = default;

QList<InputDevice> SystemAudioInputs::inputs() const {
    QList<InputDevice> list;
    for (const SoundSource& source : m_sources->sources())
        list.append(InputDevice{source.name, source.description, source.isDefault});
    return list;
}

bool SystemAudioInputs::soundSystemReady() const {
    return m_sources->isListed();
}

} // namespace tk::agent::listening
