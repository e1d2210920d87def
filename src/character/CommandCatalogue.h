#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tk {
namespace agent {
class AgentCommands;
}

// The fixed set of thirteen commands registered on the character at every start.
namespace CommandCatalogue {

// Which arguments a registration gives.
enum class Form {
    NameCaption,               // name, caption: always visible, no voice
    NameCaptionVoice,          // name, caption, voice: a menu entry
    NameCaptionVoiceInvisible, // name, caption, voice, enabled left out, visible false
};
// What the dispatcher does when the entry's command arrives.
enum class Action {
    Speak,      // the character says the entry's replies, in order
    RealChat,   // the character walks aside and the chat window opens
    Exit,       // the main window closes: the program ends
    Help,       // the read-me opens
    Options,    // the options window opens
    AskTheTime, // the time-of-day reply (also for any name not in the catalogue)
};
struct Entry {
    QString name;    // delivered by the Command event
    QString caption; // text in the character's pop-up menu
    QString voice;   // bracketed phrases; empty for the two-argument form
    Form form;
    Action action;
    QStringList replies; // what Action::Speak says
};

// The entries in registration order.
const QList<Entry>& entries();

// The entry whose name is exactly name (case counts), or null.
const Entry* find(const QString& name);

// Registers every entry on commands, in order, in its form.
void registerOn(agent::AgentCommands commands);

} // namespace CommandCatalogue

} // namespace tk
