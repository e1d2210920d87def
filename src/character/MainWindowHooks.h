#pragma once

#include <functional>

namespace tk {

// The windows that the main window opens on the user's commands, given by the
// program; an empty hook does nothing.
struct MainWindowHooks {
    std::function<void()> openChat;    // show the chat window rchatmain with the focus
    std::function<void()> openOptions; // show the options window opti, redrawn at once
};

} // namespace tk
