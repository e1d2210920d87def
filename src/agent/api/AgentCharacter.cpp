#include "agent/api/AgentCharacter.h"

#include "agent/api/AgentControl.h"

#include <utility>

namespace tk::agent {

AgentCharacter::AgentCharacter(AgentControl* control, QString id)
    : m_control(control), m_id(std::move(id)) {}

bool AgentCharacter::isLoaded() const {
    return m_control && m_control->isLoaded(m_id);
}

void AgentCharacter::SetLanguageID(int languageId) {
    if (m_control)
        m_control->setLanguageId(m_id, languageId);
}

void AgentCharacter::Listen(bool on) {
    if (m_control)
        m_control->listen(m_id, on);
}

void AgentCharacter::Show() {
    if (m_control)
        m_control->show(m_id);
}

void AgentCharacter::Speak(const QString& text) {
    if (m_control)
        m_control->speak(m_id, text);
}

void AgentCharacter::Play(const QString& animation) {
    if (m_control)
        m_control->play(m_id, animation);
}

void AgentCharacter::MoveTo(int x, int y, std::optional<int> speed) {
    if (m_control)
        m_control->moveTo(m_id, x, y, speed);
}

AgentCommands AgentCharacter::Commands() const {
    return AgentCommands(m_control.data(), m_id);
}

} // namespace tk::agent
