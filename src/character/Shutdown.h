#pragma once

class QWidget;

namespace tk {
namespace agent {
class AgentControl;
}

// What closing the main window does: the character leaves the screen and its
// voice commands end, and the check window of the start-up chain closes. Other
// program windows stay open; the run ends with the last of them.
void shutDownCharacter(agent::AgentControl* control, QWidget* checkFilesWindow);

} // namespace tk
