#pragma once

#include "agent/api/AgentTypes.h"
#include "agent/api/SpeechInput.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// What the user can say for one command, as the Voice Commands window lists it.
struct VoiceCommandGroup {
    QString name;        // the command's name
    QString title;       // its menu caption, or for a voice-only command its first phrase
    QStringList phrases; // its phrases as registered
    bool inMenu = false; // the command also has a menu entry
};

// The commands speech input recognizes: every enabled command with at least one
// phrase in its voice text, visible or not, in registration order.
QList<VoiceCommand> voiceCommandsOf(const QList<CommandRegistration>& registrations);

// The same commands grouped for reading: a visible command under its caption (when
// the caption has a letter or digit), any other under its first phrase with a
// capital first letter.
QList<VoiceCommandGroup> voiceCommandGroups(const QList<CommandRegistration>& registrations);

} // namespace tk::agent::listening
