#pragma once

#include "agent/api/AgentTypes.h"

#include <QPointer>
#include <QString>
#include <optional>

namespace tk::agent {

class AgentControl;

// The commands collection of a character. Add comes in the three forms callers
// use; the registration keeps which arguments were given.
class AgentCommands {
public:
    AgentCommands(AgentControl* control, QString characterId);

    void Add(const QString& name, const QString& caption);
    void Add(const QString& name, const QString& caption, const QString& voice);
    // enabled std::nullopt means the argument is left out (the command stays enabled).
    void Add(const QString& name, const QString& caption, const QString& voice,
             std::optional<bool> enabled, bool visible);

private:
    void add(const CommandRegistration& command);
    QPointer<AgentControl> m_control;
    QString m_characterId;
};

} // namespace tk::agent
