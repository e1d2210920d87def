#include "agent/api/AgentControl.h"

#include "agent/api/AgentCharacters.h"

namespace tk::agent {

AgentControl::AgentControl(QObject* parent) : QObject(parent) {
    qRegisterMetaType<UserInput>();
}

AgentControl::~AgentControl() = default;

AgentCharacters AgentControl::Characters() {
    return AgentCharacters(this);
}

} // namespace tk::agent
