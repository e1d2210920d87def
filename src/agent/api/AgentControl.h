#pragma once

#include "agent/api/AgentTypes.h"
#include "platform/core/Status.h"

#include <QObject>
#include <optional>

namespace tk::agent {

class AgentCharacters;

// The agent character control: the program's one way to its characters. Every
// request (show, speak, play, move) is queued per character, carried out in call
// order on the event loop, and returns at once. Requests for an identifier that
// is not loaded do nothing. Backends (the runtime, test fakes) implement the
// protected operations; the program calls them through the handle classes.
class AgentControl : public QObject {
    Q_OBJECT
public:
    explicit AgentControl(QObject* parent = nullptr);
    ~AgentControl() override;
    AgentControl(const AgentControl&) = delete;
    AgentControl& operator=(const AgentControl&) = delete;

    // The characters collection.
    AgentCharacters Characters();

    // Loads the character file at path under id; an id already loaded is replaced.
    virtual Status loadCharacter(const QString& id, const QString& path) = 0;
    // Removes the character from the screen, stops its queue and forgets id.
    virtual void unloadCharacter(const QString& id) = 0;
    // Whether id addresses a loaded character.
    virtual bool isLoaded(const QString& id) const = 0;

    virtual void setLanguageId(const QString& id, int languageId) = 0;
    virtual void listen(const QString& id, bool on) = 0;
    virtual void show(const QString& id) = 0;
    virtual void speak(const QString& id, const QString& text) = 0;
    virtual void play(const QString& id, const QString& animation) = 0;
    // Moves the character's top-left corner to (x, y) in screen pixels; no speed
    // means the runtime's default.
    virtual void moveTo(const QString& id, int x, int y, std::optional<int> speed) = 0;
    virtual void addCommand(const QString& id, const CommandRegistration& command) = 0;

signals:
    // The user chose a command from the menu or by voice.
    void Command(const tk::agent::UserInput& input);
};

} // namespace tk::agent
