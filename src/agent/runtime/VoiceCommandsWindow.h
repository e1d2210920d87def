#pragma once

#include "agent/api/AgentTypes.h"

#include <QList>
#include <QWidget>

class QLabel;
class QTreeWidget;

namespace tk::agent::listening {

// The "Voice Commands" window: what the user can say, grouped by command, voice-only
// commands included. One at a time: showing it again updates and raises the open one.
class VoiceCommandsWindow final : public QWidget {
    Q_OBJECT
public:
    // Shows the window for registrations (creating it when none is open) and
    // brings it to the front; unavailableReason, when not empty, is shown above the
    // list (why Tovrin cannot listen now).
    static VoiceCommandsWindow* showFor(const QList<CommandRegistration>& registrations,
                                        const QString& unavailableReason = {});
    // The open window, or null.
    static VoiceCommandsWindow* current();

    void setCommands(const QList<CommandRegistration>& registrations);
    void setUnavailableReason(const QString& reason);

private:
    VoiceCommandsWindow();
    ~VoiceCommandsWindow() override;

    QLabel* m_reason;
    QTreeWidget* m_list;
};

} // namespace tk::agent::listening
