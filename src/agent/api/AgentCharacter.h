#pragma once

#include "agent/api/AgentCommands.h"

#include <QPointer>
#include <QString>
#include <optional>

namespace tk::agent {

class AgentControl;

// A character addressed by its identifier. Requests are queued and return at
// once; on a character that is not (or no longer) loaded they do nothing. The
// operations keep the character interface's own names (Listen, Speak,
// SetLanguageID...); the control behind them uses the code's camelCase.
class AgentCharacter {
public:
    AgentCharacter(AgentControl* control, QString id);

    const QString& id() const { return m_id; }
    bool isLoaded() const;

    void SetLanguageID(int languageId);
    void Listen(bool on);
    void Show();
    void Speak(const QString& text);
    void Play(const QString& animation);
    void MoveTo(int x, int y, std::optional<int> speed = std::nullopt);
    AgentCommands Commands() const;

private:
    QPointer<AgentControl> m_control;
    QString m_id;
};

} // namespace tk::agent
