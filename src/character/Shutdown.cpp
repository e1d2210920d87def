#include "Shutdown.h"

#include "CharacterId.h"
#include "agent/api/AgentCharacters.h"
#include "agent/api/AgentControl.h"

#include <QWidget>

namespace tk {

void shutDownCharacter(agent::AgentControl* control, QWidget* checkFilesWindow) {
    agent::AgentCharacters(control).Unload(characterId());
    if (checkFilesWindow)
        checkFilesWindow->close();
}

} // namespace tk
