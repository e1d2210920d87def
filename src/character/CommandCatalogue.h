#pragma once

#include <QList>
#include <QString>

namespace tk {
namespace agent {
class AgentCommands;
}

// The fixed set of thirteen commands registered on the character at every start.
class CommandCatalogue {
public:
    // Which arguments a registration gives.
    enum class Form {
        NameCaption,               // name, caption: always visible, no voice
        NameCaptionVoice,          // name, caption, voice: a menu entry
        NameCaptionVoiceInvisible, // name, caption, voice, enabled left out, visible false
    };
    struct Entry {
        QString name;    // delivered by the Command event
        QString caption; // text in the character's pop-up menu
        QString voice;   // bracketed phrases; empty for the two-argument form
        Form form;
    };

    // The entries in registration order.
    static const QList<Entry>& entries();

    // Registers every entry on commands, in order, in its form.
    static void registerOn(agent::AgentCommands commands);
};

} // namespace tk
