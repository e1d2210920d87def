#include "Shutdown.h"

#include "CharacterId.h"
#include "agent/AgentCharacters.h"
#include "agent/AgentControl.h"

#include <QWidget>

namespace tk {

void shutDownCharacter(agent::AgentControl* control, QWidget* checkFilesWindow) {
    agent::AgentCharacters(control).Unload(characterId());
    if (checkFilesWindow)
        checkFilesWindow->close();
}

} // namespace tk
