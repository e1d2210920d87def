#include "Shutdown.h"

#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"
#include "platform/core/ProgramIdentity.h"

#include <QWidget>

namespace tk {

void shutDownCharacter(agent::AgentControl* control, QWidget* checkFilesWindow) {
    agent::AgentCharacters(control).Unload(identity::characterId());
    if (checkFilesWindow)
        checkFilesWindow->close();
}

} // namespace tk
