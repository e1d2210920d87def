#include "agent/api/AgentCharacters.h"

#include "agent/api/AgentControl.h"

namespace tk::agent {

AgentCharacters::AgentCharacters(AgentControl* control) : m_control(control) {}

Status AgentCharacters::Load(const QString& id, const QString& path) {
    if (!m_control)
        return Status::failure(QStringLiteral("the character control is gone"));
    return m_control->loadCharacter(id, path);
}

AgentCharacter AgentCharacters::Character(const QString& id) const {
    return AgentCharacter(m_control.data(), id);
}

AgentCharacter AgentCharacters::Item(const QString& id) const {
    return AgentCharacter(m_control.data(), id);
}

void AgentCharacters::Unload(const QString& id) {
    if (m_control)
        m_control->unloadCharacter(id);
}

} // namespace tk::agent
