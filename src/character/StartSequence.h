#pragma once

#include "platform/core/Status.h"

#include <QString>
#include <functional>

namespace tk {

struct ProgramContext;
namespace agent {
class AgentControl;
}

// What the main window does when it opens: reads the user's name and the
// first-run marker, loads and shows the character, runs the system report,
// greets the user, registers the command catalogue and, on the first run, asks
// the user's name and stores it (when it cannot, an "ERROR" box says which
// file and why, once; the name is still used in this run).
class StartSequence {
public:
    struct Steps {
        // The system report, run once the character has been shown.
        std::function<void()> systemReport;
        // Shows the name typed on the first run where the main window keeps it.
        std::function<void(const QString& name)> keepUserName;
    };
    // Runs the sequence with control (null when no character runtime is there).
    // When the character cannot be loaded, an "ERROR" box says which file and
    // why, nothing after the load runs, and the failure carries that message.
    static Status run(const ProgramContext& context, agent::AgentControl* control,
                      const Steps& steps);

    // The message for a character file that could not be loaded.
    static QString loadFailureMessage(const QString& characterFile, const QString& reason);
    // The message for a first-run answer that the settings file could not keep.
    static QString nameNotStoredMessage(const QString& settingsFile, const QString& reason);
};

} // namespace tk
