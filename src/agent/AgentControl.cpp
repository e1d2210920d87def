#include "agent/AgentControl.h"

#include "agent/AgentCharacters.h"

namespace tk::agent {

AgentControl::AgentControl(QObject* parent) : QObject(parent) {
    qRegisterMetaType<UserInput>();
}

AgentControl::~AgentControl() = default;

AgentCharacters AgentControl::Characters() {
    return AgentCharacters(this);
}

} // namespace tk::agent
