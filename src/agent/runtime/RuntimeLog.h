#pragma once

#include <QLoggingCategory>

// The character runtime's messages ("tk.agent.runtime"); debug messages tell
// why a request did nothing.
Q_DECLARE_LOGGING_CATEGORY(lcCharacterRuntime)
