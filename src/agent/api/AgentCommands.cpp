#include "agent/api/AgentCommands.h"

#include "agent/api/AgentControl.h"

#include <utility>

namespace tk::agent {

AgentCommands::AgentCommands(AgentControl* control, QString characterId)
    : m_control(control), m_characterId(std::move(characterId)) {}

void AgentCommands::Add(const QString& name, const QString& caption) {
    add({name, caption, std::nullopt, std::nullopt, std::nullopt});
}

void AgentCommands::Add(const QString& name, const QString& caption, const QString& voice) {
    add({name, caption, voice, std::nullopt, std::nullopt});
}

void AgentCommands::Add(const QString& name, const QString& caption, const QString& voice,
                        std::optional<bool> enabled, bool visible) {
    add({name, caption, voice, enabled, visible});
}

void AgentCommands::add(const CommandRegistration& command) {
    if (m_control)
        m_control->addCommand(m_characterId, command);
}

} // namespace tk::agent
