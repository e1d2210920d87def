#pragma once

#include "agent/api/AgentCharacter.h"
#include "agent/api/AgentTypes.h"
#include "platform/core/Status.h"

#include <QPointer>

namespace tk::agent {

class AgentControl;

// The characters collection of a control. A small value that is safe to keep:
// it does nothing once the control is gone.
class AgentCharacters {
public:
    explicit AgentCharacters(AgentControl* control);

    Status Load(const QString& id, const QString& path);
    // The character loaded under id (a handle that does nothing when none is).
    AgentCharacter Character(const QString& id) const;
    AgentCharacter Item(const QString& id) const;
    void Unload(const QString& id);

private:
    QPointer<AgentControl> m_control;
};

} // namespace tk::agent
